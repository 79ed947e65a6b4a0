#pragma once
// The main window: the book list that the category collection fills, the
// title search, the book count and the ways to a book's information and to
// the reader.
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "app/main/export_path.h"
#include "app/shell/app_context.h"
#include "app/shell/task.h"
#include "routines/collect_category.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace lv::app {

class BookshelfWindow;
class ReportList;

class MainWindow final : public QWidget {
  Q_OBJECT

 public:
  // The window's client size: the outer 673 x 334 less a fixed frame with a
  // title band.
  static constexpr int kClientWidth = 667;
  static constexpr int kClientHeight = 305;

  // `context.state` must outlive every collection this window starts.
  explicit MainWindow(AppContext& context, QWidget* parent = nullptr);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // "开始采集": empties the book list and starts the collection on a thread
  // the window owns. Nothing happens while one runs; the next one continues
  // the book ids. False when none was started.
  bool start_collection();
  // "结束采集": the running collection stops before its next listing page;
  // the rows it added stay.
  void stop_collection();
  bool collection_running() const { return collecting_; }

  // Pop-up "下载全书": the selected book into the local library, in a
  // progress window of its own. Pop-up "导出…": asks for a file, then the
  // same with the book written to it. False when no row is selected (or no
  // file was chosen).
  bool download_selected_book();
  bool export_selected_book();
  // Tests put their own in place of the save dialog.
  void set_save_chooser(SaveChooser chooser) { save_chooser_ = std::move(chooser); }
  // Stops the collection and every download this window started, and waits
  // for their threads (each ends within one transfer's cancellation).
  void end_work();

  // "书架": the bookshelf window, made on first use and kept (closing it
  // hides it, so the work it started goes on); brought to the front.
  BookshelfWindow& show_bookshelf();

  // "搜索": selects the first row whose title is 《text》 and scrolls to it;
  // gives the focus to the book list. Returns the row, or -1.
  int search_title();

  // Count label tick.
  void refresh_count_label();

  // What closing the window does (the program ends); without one the window
  // just closes.
  void set_close_action(std::function<void()> action) { close_action_ = std::move(action); }
  // The listing pages a collection walks (1 to 146 unless changed).
  void set_page_range(int first, int last);
  // How pages that do not come are asked for again (tests shorten the pauses).
  void set_retry_policy(const lv::routines::RetryPolicy& policy) { retry_ = policy; }
  // Called on every count-label tick with the row count.
  void set_tick_observer(std::function<void(int rows)> observer) { tick_observer_ = std::move(observer); }

  ReportList& book_list() const { return *book_list_; }
  QLineEdit& search_box() const { return *search_box_; }
  QLabel& count_label() const { return *count_label_; }
  // Says that a collection runs (pages done of all) and how it ended.
  QLabel& collection_status() const { return *collection_status_; }
  QMenu& book_menu() { return book_menu_; }

 signals:
  // A batch of rows reached the book list; `total` is the new row count.
  void rows_added(int total);
  void collection_finished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void add_rows(std::vector<lv::routines::BookRecord>&& rows);
  void show_pages_done(int done);
  void collection_ended(const lv::routines::CollectionReport& report);
  bool start_book_window(std::optional<ExportChoice> export_to);
  void report_missing_pages(const std::vector<lv::routines::MissingPage>& missing);
  void show_book_info();
  void open_reader();

  AppContext& context_;
  int first_page_ = 1;
  int last_page_ = 146;
  lv::routines::RetryPolicy retry_;
  bool collecting_ = false;
  SaveChooser save_chooser_;
  std::function<void()> close_action_;
  std::function<void(int)> tick_observer_;

  ReportList* book_list_ = nullptr;
  QLabel* count_label_ = nullptr;
  QLabel* collection_status_ = nullptr;
  QPointer<BookshelfWindow> bookshelf_;
  QLineEdit* search_box_ = nullptr;
  QTimer* count_timer_ = nullptr;
  QMenu book_menu_;
  Task collection_;  // last: stopped and joined before the rest goes
};

}  // namespace lv::app
