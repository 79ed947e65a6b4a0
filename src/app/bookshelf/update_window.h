#pragma once
// Books of the library brought up to date: a window with a bar, the books
// checked of all, the chapters stored by the run, and a button that cancels
// (what was stored stays). The work is a task the window owns; closing the
// window cancels it and waits for it.
#include <QDialog>
#include <stop_token>
#include <string>
#include <vector>

#include "app/shell/task.h"
#include "routines/update_books.h"

class QLabel;
class QProgressBar;

namespace lv::app {

class ProgressFrame;

class UpdateWindow final : public QDialog {
  Q_OBJECT

 public:
  struct Job {
    std::vector<std::string> books;  // book addresses
    QString what;                    // what is checked, as the title names it
    std::string library_path;
    lv::net::Scheduler* scheduler = nullptr;
  };

  explicit UpdateWindow(Job job, QWidget* parent = nullptr);
  ~UpdateWindow() override;
  UpdateWindow(const UpdateWindow&) = delete;
  UpdateWindow& operator=(const UpdateWindow&) = delete;

  bool running() const;
  QProgressBar& bar() const;
  QLabel& counts() const;
  QLabel& outcome() const;

  // Stops the work; chapters stored so far stay in the library.
  void cancel();

 signals:
  // The run ended (done, cancelled or failed): the library holds what it stored.
  void work_finished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Result {
    lv::routines::UpdateReport report;
    QString library_error;  // the library's problem, worded; "" when none
  };
  void run(const std::stop_token& stop);
  void show_progress(const lv::routines::UpdateProgress& progress);
  void show_result(const Result& result);

  Job job_;
  ProgressFrame* frame_ = nullptr;
  Task worker_;  // last: stopped and joined before the widgets go
};

}  // namespace lv::app
