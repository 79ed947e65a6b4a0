#pragma once
// 书架: every book of the local library, one row each, the book read last at
// the top; from here a book is read on, brought up to date, exported, opened
// on the site or removed, and the whole library searched. Not modal. The
// library is read in the background: the rows come first, the covers after.
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/bookshelf/update_window.h"
#include "app/main/export_path.h"
#include "app/shell/app_context.h"
#include "app/shell/task.h"
#include "library/library.h"
#include "routines/search_library.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace lv::app {

class BookshelfModel;

class BookshelfWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit BookshelfWindow(AppContext& context, QWidget* parent = nullptr);
  ~BookshelfWindow() override;
  BookshelfWindow(const BookshelfWindow&) = delete;
  BookshelfWindow& operator=(const BookshelfWindow&) = delete;

  // Reads the books again; the rows change once they are in.
  void reload();
  bool loading() const { return loading_; }

  // The selected row's book address; "" for none.
  std::string selected_book() const;
  // Selects the row of `book` (the first row when it is not shown).
  void select_book(const std::string& book);

  // 继续阅读 (Enter, double-click): the reader, where it was left.
  bool continue_reading();
  // 检查更新: the selected book, or every book, in a progress window; the
  // rows show the new counts when it ends. False when none was started.
  bool check_selected_for_updates();
  bool check_all_for_updates();
  // 导出…: asks for the file, then downloads what is missing and writes it.
  bool export_selected_book();
  // 打开网页: the book's page on the site, in the browser.
  bool open_selected_home_page();
  // 删除 (Delete): asks first; then the book, its chapters and its reading
  // position leave the library and the row goes.
  bool delete_selected_book();
  // 搜索: the text of the search box in every stored chapter; the hits are
  // listed under the books.
  bool search_whole_library();
  // A listed hit: the reader, at the hit.
  bool open_hit(int row);

  void set_save_chooser(SaveChooser chooser) { save_chooser_ = std::move(chooser); }

  BookshelfModel& model() const { return *model_; }
  QSortFilterProxyModel& rows() const { return *rows_; }
  QTableView& table() const { return *table_; }
  QLineEdit& filter_box() const { return *filter_box_; }
  QLineEdit& search_box() const { return *search_box_; }
  QListWidget& hits() const { return *hits_; }
  QLabel& status() const { return *status_; }
  QMenu& book_menu() { return book_menu_; }
  UpdateWindow* update_window() const { return update_window_; }

 signals:
  // The rows were read from the library again.
  void books_shown(int count);
  void search_finished(int hits);
  void book_removed(const QString& book);

 private:
  struct CoverBatch {
    std::vector<std::pair<std::string, QImage>> covers;
    std::vector<std::pair<std::string, std::int64_t>> stamps;  // the book's updated_at each was read at
  };

  void build();
  QWidget* build_hits_panel();
  void load(const std::string& path, const std::unordered_map<std::string, std::int64_t>& decoded,
            const std::stop_token& stop);
  void show_books(std::vector<lv::library::BookSummary> books);
  void add_covers(CoverBatch batch);
  void show_problem(const QString& text);
  void add_hits(std::vector<lv::routines::SearchHit> hits);
  void search_ended(int count, const QString& sought);
  void book_gone(const std::string& book);
  bool start_update(std::vector<std::string> books, const QString& what);
  const lv::library::BookSummary* selected_summary() const;
  void update_actions();
  void update_status();

  AppContext& context_;
  SaveChooser save_chooser_;
  bool loading_ = false;
  bool problem_ = false;  // the library could not be read: the status says why
  // Covers decoded so far, with the book's updated_at when they were read.
  std::unordered_map<std::string, std::int64_t> covers_decoded_;

  BookshelfModel* model_ = nullptr;
  QSortFilterProxyModel* rows_ = nullptr;
  QTableView* table_ = nullptr;
  QLineEdit* filter_box_ = nullptr;
  QLineEdit* search_box_ = nullptr;
  QWidget* hits_panel_ = nullptr;
  QLabel* hits_label_ = nullptr;
  QListWidget* hits_ = nullptr;
  QLabel* status_ = nullptr;
  QAction* continue_action_ = nullptr;
  QAction* update_action_ = nullptr;
  QAction* update_all_action_ = nullptr;
  QAction* export_action_ = nullptr;
  QAction* web_action_ = nullptr;
  QAction* delete_action_ = nullptr;
  QMenu book_menu_;
  QPointer<UpdateWindow> update_window_;
  // Last: stopped and joined before what their results are written to goes.
  Task loader_;
  bool removing_ = false;  // a book is leaving the library; one at a time
  Task remover_;
  Task searcher_;
};

}  // namespace lv::app
