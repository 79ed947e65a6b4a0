#include "app/bookshelf/bookshelf_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/bookshelf/bookshelf_model.h"
#include "app/bookshelf/update_window.h"
#include "app/download/open_book_window.h"
#include "app/shell/browser.h"
#include "app/shell/library_problem.h"
#include "app/widgets/gbk_qstring.h"
#include "app/widgets/popup_menu.h"

namespace lv::app {

namespace {

// Covers reach the rows this many at a time: the first screenful soon, and
// not one queued call per book.
constexpr std::size_t kCoverBatch = 24;
constexpr std::size_t kHitBatch = 50;

// Where a listed hit leads.
constexpr int kHitBook = Qt::UserRole;
constexpr int kHitChapter = Qt::UserRole + 1;
constexpr int kHitOffset = Qt::UserRole + 2;

QString quoted_title(const lv::base::Text& title) {
  return QStringLiteral("《") + to_qstring(title) + QStringLiteral("》");
}

QPushButton* button_for(QAction* action, QWidget* parent) {
  auto* button = new QPushButton(action->text(), parent);
  button->setObjectName(action->objectName());
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
  QObject::connect(action, &QAction::enabledChanged, button, &QPushButton::setEnabled);
  return button;
}

}  // namespace

BookshelfWindow::BookshelfWindow(AppContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  build();
  reload();
}

BookshelfWindow::~BookshelfWindow() = default;

void BookshelfWindow::build() {
  setObjectName(QStringLiteral("书架窗口"));
  setWindowTitle(QStringLiteral("书架"));
  resize(940, 560);

  model_ = new BookshelfModel(this);
  rows_ = new QSortFilterProxyModel(this);
  rows_->setSourceModel(model_);
  rows_->setSortRole(BookshelfModel::kSortRole);
  rows_->setFilterRole(BookshelfModel::kFilterRole);
  rows_->setFilterKeyColumn(BookshelfModel::title);
  rows_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  rows_->setSortLocaleAware(true);

  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("书架列表"));
  table_->setModel(rows_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setIconSize(BookshelfModel::kCoverSize);
  table_->setWordWrap(false);
  table_->setAlternatingRowColors(true);
  table_->setContextMenuPolicy(Qt::CustomContextMenu);
  table_->verticalHeader()->hide();
  // Fixed heights: no row is measured, so 500 rows cost no more than a screenful.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(BookshelfModel::kCoverSize.height() + 6);
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionsMovable(false);
  header->setHighlightSections(false);
  const int widths[] = {44, 170, 90, 100, 60, 170, 115, 120};
  for (int column = 0; column < BookshelfModel::column_count; ++column) table_->setColumnWidth(column, widths[column]);
  header->setSectionResizeMode(BookshelfModel::cover, QHeaderView::Fixed);
  header->setStretchLastSection(true);
  table_->setSortingEnabled(true);
  table_->sortByColumn(BookshelfModel::read_at, Qt::DescendingOrder);

  const auto action = [this](const char* name, const QString& text, auto slot) {
    auto* item = new QAction(text, this);
    item->setObjectName(QString::fromUtf8(name));
    connect(item, &QAction::triggered, this, slot);
    return item;
  };
  continue_action_ = action("继续阅读", QStringLiteral("继续阅读"), [this] { continue_reading(); });
  update_action_ = action("检查更新", QStringLiteral("检查更新"), [this] { check_selected_for_updates(); });
  update_all_action_ = action("全部检查更新", QStringLiteral("全部检查更新"), [this] { check_all_for_updates(); });
  export_action_ = action("导出", QStringLiteral("导出…"), [this] { export_selected_book(); });
  web_action_ = action("打开网页", QStringLiteral("打开网页"), [this] { open_selected_home_page(); });
  delete_action_ = action("删除", QStringLiteral("删除"), [this] { delete_selected_book(); });
  delete_action_->setShortcut(QKeySequence::Delete);
  delete_action_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  table_->addAction(delete_action_);
  book_menu_.addActions({continue_action_, update_action_, export_action_, web_action_});
  book_menu_.addSeparator();
  book_menu_.addAction(delete_action_);

  filter_box_ = new QLineEdit(this);
  filter_box_->setObjectName(QStringLiteral("筛选"));
  filter_box_->setPlaceholderText(QStringLiteral("书名或作者"));
  filter_box_->setClearButtonEnabled(true);
  search_box_ = new QLineEdit(this);
  search_box_->setObjectName(QStringLiteral("搜索框"));
  search_box_->setPlaceholderText(QStringLiteral("在所有已存的章节里找"));
  search_box_->setClearButtonEnabled(true);
  auto* search_button = new QPushButton(QStringLiteral("搜索"), this);
  search_button->setObjectName(QStringLiteral("搜索"));
  search_button->setAutoDefault(false);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("筛选："), this));
  top->addWidget(filter_box_, 2);
  top->addSpacing(24);
  top->addWidget(new QLabel(QStringLiteral("搜索全文："), this));
  top->addWidget(search_box_, 3);
  top->addWidget(search_button);

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(table_);
  splitter->addWidget(build_hits_panel());
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  splitter->setChildrenCollapsible(false);

  auto* buttons = new QHBoxLayout;
  for (QAction* item : {continue_action_, update_action_, update_all_action_, export_action_, web_action_, delete_action_}) {
    buttons->addWidget(button_for(item, this));
  }
  buttons->addStretch(1);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("书架状态"));
  buttons->addWidget(status_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(splitter, 1);
  layout->addLayout(buttons);

  connect(table_, &QTableView::activated, this, [this] { continue_reading(); });
  connect(table_, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex index = table_->indexAt(at);
    if (!index.isValid()) return;
    table_->selectRow(index.row());
    popup_menu(*this, book_menu_, table_->viewport()->mapToGlobal(at));
  });
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { update_actions(); });
  connect(filter_box_, &QLineEdit::textChanged, this, [this](const QString& text) {
    rows_->setFilterFixedString(text);
    if (table_->selectionModel()->selectedRows().isEmpty() && rows_->rowCount() > 0) table_->selectRow(0);
    update_status();
  });
  connect(search_box_, &QLineEdit::returnPressed, this, [this] { search_whole_library(); });
  connect(search_button, &QPushButton::clicked, this, [this] { search_whole_library(); });
  connect(hits_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { open_hit(hits_->row(item)); });
  update_actions();
}

QWidget* BookshelfWindow::build_hits_panel() {
  hits_panel_ = new QWidget(this);
  auto* layout = new QVBoxLayout(hits_panel_);
  layout->setContentsMargins(0, 0, 0, 0);
  hits_label_ = new QLabel(hits_panel_);
  hits_label_->setObjectName(QStringLiteral("搜索结果说明"));
  hits_ = new QListWidget(hits_panel_);
  hits_->setObjectName(QStringLiteral("搜索结果"));
  hits_->setUniformItemSizes(true);
  layout->addWidget(hits_label_);
  layout->addWidget(hits_);
  hits_panel_->hide();  // until the first search
  return hits_panel_;
}

void BookshelfWindow::reload() {
  if (context_.library_path.empty()) {
    problem_ = true;
    model_->set_books({});
    status_->setText(QStringLiteral("没有可用的书库。"));
    update_actions();
    emit books_shown(0);
    return;
  }
  loading_ = true;
  if (model_->rowCount() == 0) status_->setText(QStringLiteral("正在读取书库……"));
  loader_.start([this, path = context_.library_path, decoded = covers_decoded_](std::stop_token stop) {
    load(path, decoded, stop);
  });
}

void BookshelfWindow::load(const std::string& path, const std::unordered_map<std::string, std::int64_t>& decoded,
                           const std::stop_token& stop) {
  try {
    auto library = lv::library::Library::open_for_reading(path);
    std::vector<lv::library::BookSummary> books;
    if (library) books = library->books();
    // The covers of the rows at the top first; one decoded for the same
    // state of its book is not decoded again.
    struct Pending {
      std::string book;
      std::int64_t read_at;
      std::int64_t updated_at;
    };
    std::vector<Pending> pending;
    for (const auto& book : books) {
      const auto found = decoded.find(book.book);
      if (found != decoded.end() && found->second == book.updated_at) continue;
      pending.push_back({book.book, book.reading ? book.reading->read_at : 0, book.updated_at});
    }
    std::stable_sort(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) { return a.read_at > b.read_at; });
    loader_.post([this, books = std::move(books)]() mutable { show_books(std::move(books)); });

    CoverBatch batch;
    const auto hand_over = [&] {
      if (batch.covers.empty()) return;
      loader_.post([this, batch = std::move(batch)]() mutable { add_covers(std::move(batch)); });
      batch = CoverBatch();
    };
    for (const Pending& book : pending) {
      if (stop.stop_requested()) return;
      batch.covers.emplace_back(book.book, shelf_thumbnail(library->cover(book.book)));
      batch.stamps.emplace_back(book.book, book.updated_at);
      if (batch.covers.size() == kCoverBatch) hand_over();
    }
    hand_over();
  } catch (const lv::library::LibraryError& error) {
    const QString text = library_problem_text(error);
    loader_.post([this, text] { show_problem(text); });
  }
}

void BookshelfWindow::show_books(std::vector<lv::library::BookSummary> books) {
  const std::string kept = selected_book();
  model_->set_books(std::move(books));
  loading_ = false;
  problem_ = false;
  select_book(kept);
  update_status();
  emit books_shown(model_->rowCount());
}

void BookshelfWindow::add_covers(CoverBatch batch) {
  for (const auto& [book, stamp] : batch.stamps) covers_decoded_[book] = stamp;
  model_->set_covers(std::move(batch.covers));
}

void BookshelfWindow::show_problem(const QString& text) {
  loading_ = false;
  problem_ = true;
  status_->setText(text);
  update_actions();
  show_library_problem(this, text);
  emit books_shown(model_->rowCount());
}

std::string BookshelfWindow::selected_book() const {
  const lv::library::BookSummary* book = selected_summary();
  return book != nullptr ? book->book : std::string();
}

const lv::library::BookSummary* BookshelfWindow::selected_summary() const {
  const QModelIndexList selected = table_->selectionModel()->selectedRows();
  if (selected.isEmpty()) return nullptr;
  return model_->book_at(rows_->mapToSource(selected.front()).row());
}

void BookshelfWindow::select_book(const std::string& book) {
  const int source_row = book.empty() ? -1 : model_->row_of(book);
  QModelIndex shown = source_row >= 0 ? rows_->mapFromSource(model_->index(source_row, BookshelfModel::title))
                                      : QModelIndex();
  if (!shown.isValid() && rows_->rowCount() > 0) shown = rows_->index(0, BookshelfModel::title);
  if (!shown.isValid()) {
    table_->clearSelection();
    update_actions();
    return;
  }
  table_->setCurrentIndex(shown);
  table_->selectRow(shown.row());
  table_->scrollTo(shown);
  update_actions();
}

void BookshelfWindow::update_actions() {
  const bool chosen = selected_summary() != nullptr;
  const bool usable = !context_.library_path.empty();
  for (QAction* item : {continue_action_, update_action_, export_action_, web_action_, delete_action_}) {
    item->setEnabled(chosen && usable);
  }
  update_all_action_->setEnabled(usable && model_->rowCount() > 0);
}

void BookshelfWindow::update_status() {
  if (problem_) return;
  const int all = model_->rowCount();
  const int shown = rows_->rowCount();
  if (all == 0) {
    status_->setText(QStringLiteral("书库里还没有书：在主窗口的书单上右击一本书，选“下载全书”。"));
  } else if (shown == all) {
    status_->setText(QStringLiteral("共 %1 本书").arg(all));
  } else {
    status_->setText(QStringLiteral("共 %1 本书，筛出 %2 本").arg(all).arg(shown));
  }
}

bool BookshelfWindow::continue_reading() {
  const std::string book = selected_book();
  if (book.empty() || !context_.open_library_book) {
    QApplication::beep();
    return false;
  }
  context_.open_library_book(book, std::nullopt, this);
  return true;
}

bool BookshelfWindow::check_selected_for_updates() {
  const lv::library::BookSummary* book = selected_summary();
  if (book == nullptr) {
    QApplication::beep();
    return false;
  }
  return start_update({book->book}, quoted_title(book->title));
}

bool BookshelfWindow::check_all_for_updates() {
  std::vector<std::string> books;
  for (int row = 0; row < model_->rowCount(); ++row) books.push_back(model_->book_at(row)->book);
  return start_update(std::move(books), QStringLiteral("全部 %1 本书").arg(model_->rowCount()));
}

bool BookshelfWindow::start_update(std::vector<std::string> books, const QString& what) {
  if (books.empty()) {
    QApplication::beep();
    return false;
  }
  if (context_.library_path.empty()) {
    show_library_problem(this, QStringLiteral("没有可用的书库，不能检查更新。"));
    return false;
  }
  // One check at a time: two would ask the site for the same pages.
  if (update_window_ != nullptr && update_window_->running()) {
    update_window_->raise();
    update_window_->activateWindow();
    return false;
  }
  if (update_window_ != nullptr) update_window_->close();
  auto* window = new UpdateWindow({std::move(books), what, context_.library_path, context_.scheduler}, this);
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  connect(window, &UpdateWindow::work_finished, this, &BookshelfWindow::reload);
  window->adjustSize();
  window->move(mapToGlobal(rect().center()) - window->rect().center());
  window->show();
  update_window_ = window;
  return true;
}

bool BookshelfWindow::export_selected_book() {
  const lv::library::BookSummary* book = selected_summary();
  if (book == nullptr) {
    QApplication::beep();
    return false;
  }
  // Copied: the dialog lets events run, and a reload replaces the rows.
  const std::string address = book->book;
  const QString title = to_qstring(book->title);
  const auto choice = choose_export_file(this, title, context_.library_path, save_chooser_);
  if (!choice) return false;
  BookDownloadWindow::Job job;
  job.book = address;
  job.title = QStringLiteral("《") + title + QStringLiteral("》");
  job.library_path = context_.library_path;
  job.scheduler = context_.scheduler;
  job.export_to = BookDownloadWindow::ExportTarget{choice->path, choice->epub};
  BookDownloadWindow* window = open_book_window(*this, std::move(job));
  if (window == nullptr) return false;
  // The export fetches what was missing first: the row's counts change.
  connect(window, &BookDownloadWindow::work_finished, this, &BookshelfWindow::reload);
  return true;
}

bool BookshelfWindow::open_selected_home_page() {
  const std::string book = selected_book();
  if (book.empty() || !open_in_browser(book)) {
    QApplication::beep();
    return false;
  }
  return true;
}

bool BookshelfWindow::delete_selected_book() {
  const lv::library::BookSummary* book = selected_summary();
  if (book == nullptr) {
    QApplication::beep();
    return false;
  }
  if (update_window_ != nullptr && update_window_->running()) {
    QMessageBox::information(this, QStringLiteral("书架"), QStringLiteral("正在检查更新，等它结束后再删除。"));
    return false;
  }
  // A second removal would wait on this thread for the first to give back its room.
  if (removing_) {
    QMessageBox::information(this, QStringLiteral("书架"), QStringLiteral("正在删除另一本书，等它结束后再删除。"));
    return false;
  }
  // Copied: the question lets events run, and a reload replaces the rows.
  const std::string address = book->book;
  const QString title = quoted_title(book->title);
  QMessageBox ask(QMessageBox::Question, QStringLiteral("删除"),
                  QStringLiteral("从书库删除%1？\n这本书存下的 %2 章和阅读位置都会删除，不能恢复。").arg(title).arg(book->stored),
                  QMessageBox::Yes | QMessageBox::No, this);
  ask.setObjectName(QStringLiteral("删除确认"));
  ask.setDefaultButton(QMessageBox::No);
  if (ask.exec() != QMessageBox::Yes) return false;
  status_->setText(QStringLiteral("正在删除%1……").arg(title));
  removing_ = true;
  // The file gives back the room the book took, which takes a while on a large library.
  remover_.start([this, path = context_.library_path, address](std::stop_token) {
    try {
      lv::library::Library library = lv::library::Library::open(path);
      library.remove_book(address);  // false: already gone, which is what was asked
      remover_.post([this, address] {
        removing_ = false;
        book_gone(address);
      });
    } catch (const lv::library::LibraryError& error) {
      const QString text = library_problem_text(error);
      remover_.post([this, text] {
        removing_ = false;
        show_problem(text);
      });
    }
  });
  return true;
}

void BookshelfWindow::book_gone(const std::string& book) {
  const int shown_row = table_->currentIndex().row();
  model_->remove_book(book);
  covers_decoded_.erase(book);
  // The next row takes the place of the one that went.
  const int next = std::min(shown_row, rows_->rowCount() - 1);
  if (next >= 0) {
    table_->setCurrentIndex(rows_->index(next, BookshelfModel::title));
    table_->selectRow(next);
  }
  // Its hits lead nowhere now.
  const QByteArray gone = QByteArray::fromStdString(book);
  for (int row = hits_->count() - 1; row >= 0; --row) {
    if (hits_->item(row)->data(kHitBook).toByteArray() == gone) delete hits_->takeItem(row);
  }
  update_actions();
  update_status();
  emit book_removed(QString::fromStdString(book));
}

bool BookshelfWindow::search_whole_library() {
  const QString typed = search_box_->text();
  if (typed.isEmpty() || context_.library_path.empty()) {
    QApplication::beep();
    return false;
  }
  const lv::base::Text sought = to_gbk(typed);
  hits_->clear();
  hits_panel_->show();
  hits_label_->setText(QStringLiteral("正在搜索“%1”……").arg(typed));
  searcher_.start([this, path = context_.library_path, sought, typed](std::stop_token stop) {
    std::vector<lv::routines::SearchHit> batch;
    try {
      int count = 0;
      if (auto library = lv::library::Library::open_for_reading(path)) {
        lv::routines::SearchOptions options;
        options.limit = lv::routines::kHitsListed;
        options.stop = stop;
        count = lv::routines::search_library(*library, sought, options, [&](const lv::routines::SearchHit& hit) {
          batch.push_back(hit);
          if (batch.size() == kHitBatch) {
            searcher_.post([this, hits = std::move(batch)]() mutable { add_hits(std::move(hits)); });
            batch.clear();
          }
          return true;
        });
      }
      if (!batch.empty()) searcher_.post([this, hits = std::move(batch)]() mutable { add_hits(std::move(hits)); });
      searcher_.post([this, count, typed] { search_ended(count, typed); });
    } catch (const lv::library::LibraryError& error) {
      const QString text = library_problem_text(error);
      searcher_.post([this, text] {
        hits_label_->setText(text);
        show_library_problem(this, text);
        emit search_finished(0);
      });
    }
  });
  return true;
}

void BookshelfWindow::add_hits(std::vector<lv::routines::SearchHit> hits) {
  for (const auto& hit : hits) {
    auto* item = new QListWidgetItem(quoted_title(hit.book_title) + QStringLiteral("  ") + to_qstring(hit.chapter_title) +
                                     QStringLiteral("：") + to_qstring(hit.snippet));
    item->setData(kHitBook, QByteArray::fromStdString(hit.book));
    item->setData(kHitChapter, hit.index);
    item->setData(kHitOffset, static_cast<qulonglong>(hit.offset));
    hits_->addItem(item);
  }
}

void BookshelfWindow::search_ended(int count, const QString& sought) {
  if (count == 0) {
    hits_label_->setText(QStringLiteral("已存的章节里没有“%1”。").arg(sought));
  } else if (count >= lv::routines::kHitsListed) {
    hits_label_->setText(QStringLiteral("“%1”：只列出前 %2 处（双击或回车打开）").arg(sought).arg(count));
  } else {
    hits_label_->setText(QStringLiteral("“%1”：%2 处（双击或回车打开）").arg(sought).arg(count));
  }
  if (count > 0 && hits_->currentRow() < 0) hits_->setCurrentRow(0);
  emit search_finished(count);
}

bool BookshelfWindow::open_hit(int row) {
  const QListWidgetItem* item = hits_->item(row);
  if (item == nullptr || !context_.open_library_book) return false;
  const std::string book = item->data(kHitBook).toByteArray().toStdString();
  const LibraryReaderStart start{item->data(kHitChapter).toInt(),
                                 static_cast<std::size_t>(item->data(kHitOffset).toULongLong())};
  context_.open_library_book(book, start, this);
  return true;
}

}  // namespace lv::app
