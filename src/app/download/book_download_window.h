#pragma once
// A whole book into the local library, and optionally out to a file: a
// window with a bar, the chapters done of all, the speed and the time left,
// and a button that cancels (what was stored stays). The work is a task the
// window owns; closing the window cancels it and waits for it.
#include <QDialog>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "app/shell/task.h"
#include "export/cover_image.h"
#include "routines/download_book.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace lv::app {

class ProgressFrame;

// The speed line while a download runs: chapters stored per second (a failed
// chapter is no progress) and the time left at that pace.
QString download_speed_text(const lv::routines::BookDownloadOptions::Progress& progress);

class BookDownloadWindow final : public QDialog {
  Q_OBJECT

 public:
  struct ExportTarget {
    std::string path;
    bool epub = true;  // false: UTF-8 text
  };
  struct Job {
    std::string book;             // the book address
    QString title;                // as the book list shows it
    std::string library_path;
    lv::net::Scheduler* scheduler = nullptr;
    std::optional<ExportTarget> export_to;
  };

  explicit BookDownloadWindow(Job job, QWidget* parent = nullptr);
  ~BookDownloadWindow() override;
  BookDownloadWindow(const BookDownloadWindow&) = delete;
  BookDownloadWindow& operator=(const BookDownloadWindow&) = delete;

  bool running() const;
  QProgressBar& bar() const;
  QLabel& counts() const;
  QLabel& speed() const { return *speed_; }
  QLabel& outcome() const;
  QPushButton& button() const;

  // Stops the work; chapters stored so far stay in the library.
  void cancel();

 signals:
  void work_finished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Result {
    lv::routines::BookDownloadReport report;
    QString library_error;     // the library's problem, worded; "" when none
    bool export_failed = false;  // the file could not be written
    bool exported = false;
    bool no_chapters = false;  // the book has none, so no file was written
    lv::exporting::CoverProblem cover_problem = lv::exporting::CoverProblem::none;  // why the EPUB has no cover
  };
  void run(const std::stop_token& stop);
  void show_progress(const lv::routines::BookDownloadOptions::Progress& progress);
  void show_result(const Result& result);

  Job job_;
  bool cancelling_ = false;
  std::optional<lv::routines::BookDownloadOptions::Progress> last_progress_;
  ProgressFrame* frame_ = nullptr;
  QLabel* speed_ = nullptr;
  Task worker_;  // last: stopped and joined before the widgets go
};

}  // namespace lv::app
