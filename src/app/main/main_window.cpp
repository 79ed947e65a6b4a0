#include "app/main/main_window.h"

#include <QApplication>
#include <algorithm>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include "app/bookshelf/bookshelf_window.h"
#include "app/download/book_download_window.h"
#include "app/download/open_book_window.h"
#include "app/shell/library_problem.h"
#include "app/main/export_path.h"
#include "app/widgets/gbk_qstring.h"
#include "app/rules/rules_dialog.h"
#include "app/shell/message_box.h"
#include "app/widgets/popup_menu.h"
#include "app/widgets/report_list.h"
#include "base/code_page.h"
#include "base/convert.h"
#include "library/library.h"
#include "routines/site.h"

namespace lv::app {

namespace {

constexpr int kCountPeriodMs = 100;

QPushButton* make_button(QWidget* parent, const QString& name, const QString& caption, QRect where) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(where);
  return button;
}

QLabel* make_label(QWidget* parent, const QString& name, const QString& caption, QRect where) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->setGeometry(where);
  label->setFocusPolicy(Qt::NoFocus);
  return label;
}

}  // namespace

MainWindow::MainWindow(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      context_(context),
      last_page_(lv::routines::kListingPageCount) {
  build();
}

MainWindow::~MainWindow() { end_work(); }

void MainWindow::end_work() {
  collection_.request_stop();
  delete bookshelf_;  // stops and waits for its own work and its windows'
  // Each stops and waits for its own work.
  for (auto* window : findChildren<BookDownloadWindow*>(Qt::FindDirectChildrenOnly)) delete window;
  collection_.join();
  collecting_ = false;
}

void MainWindow::build() {
  setWindowTitle(QStringLiteral("LorevaneV1.0.2.0"));
  setFixedSize(kClientWidth, kClientHeight);
  QFont small = font();
  small.setPixelSize(12);
  setFont(small);

  // Created first so that the buttons it overlaps stay on top of it.
  make_label(this, QStringLiteral("标签3"), QStringLiteral("*（不需要输入《书名号》），例：“剑破仙惊”"),
             QRect(320, 2, 336, 24));

  book_list_ = new ReportList({{QStringLiteral("id"), 50},
                               {QStringLiteral("书名"), 100},
                               {QStringLiteral("最新章节"), 150},
                               {QStringLiteral("地址"), 200},
                               {QStringLiteral("类别"), 56}},
                              this);
  book_list_->setObjectName(QStringLiteral("超级列表框1"));
  book_list_->setGeometry(0, 48, 560, 248);

  count_label_ = make_label(this, QStringLiteral("标签1"), QString(), QRect(4, 32, 560, 16));
  // In the right part of the count label's line, which its short text leaves empty.
  collection_status_ = make_label(this, QStringLiteral("采集状态"), QString(), QRect(250, 32, 310, 16));
  collection_status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  make_label(this, QStringLiteral("标签2"), QStringLiteral("搜索书名："), QRect(8, 2, 64, 24));

  search_box_ = new QLineEdit(this);
  search_box_->setObjectName(QStringLiteral("编辑框1"));
  search_box_->setGeometry(72, 3, 160, 20);

  auto* search_button = make_button(this, QStringLiteral("按钮5"), QStringLiteral("搜索"), QRect(240, 0, 72, 24));
  auto* rules_button = make_button(this, QStringLiteral("按钮6"), QStringLiteral("采集规则"), QRect(584, 0, 64, 24));
  // Between 采集规则 and 开始采集, where the right-hand column has room.
  auto* shelf_button = make_button(this, QStringLiteral("书架"), QStringLiteral("书架"), QRect(568, 28, 80, 24));
  auto* start_button = make_button(this, QStringLiteral("按钮1"), QStringLiteral("开始采集"), QRect(568, 56, 80, 32));
  auto* info_button = make_button(this, QStringLiteral("按钮2"), QStringLiteral("查看信息"), QRect(568, 112, 80, 32));
  auto* stop_button = make_button(this, QStringLiteral("按钮3"), QStringLiteral("结束采集"), QRect(568, 168, 80, 32));
  auto* read_button = make_button(this, QStringLiteral("按钮4"), QStringLiteral("阅读此书"), QRect(568, 224, 80, 32));

  QLabel* credit = make_label(this, QStringLiteral("标签4"), QStringLiteral("仅供学习交流\n请支持正版"),
                              QRect(568, 264, 80, 32));
  credit->setWordWrap(true);
  QPalette red = credit->palette();
  red.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
  credit->setPalette(red);

  count_timer_ = new QTimer(this);
  count_timer_->setObjectName(QStringLiteral("时钟1"));
  count_timer_->setInterval(kCountPeriodMs);
  connect(count_timer_, &QTimer::timeout, this, &MainWindow::refresh_count_label);
  count_timer_->start();

  book_menu_.setTitle(QStringLiteral("a"));
  book_menu_.setObjectName(QStringLiteral("a"));
  QAction* read_item = book_menu_.addAction(QStringLiteral("阅读"));
  QAction* info_item = book_menu_.addAction(QStringLiteral("小说信息"));
  QAction* download_item = book_menu_.addAction(QStringLiteral("下载全书"));
  QAction* export_item = book_menu_.addAction(QStringLiteral("导出…"));
  connect(download_item, &QAction::triggered, this, [this] { download_selected_book(); });
  connect(export_item, &QAction::triggered, this, [this] { export_selected_book(); });

  connect(search_button, &QPushButton::clicked, this, [this] { search_title(); });
  connect(rules_button, &QPushButton::clicked, this, [this] {
    RulesDialog dialog(context_, this);
    dialog.exec();
  });
  connect(shelf_button, &QPushButton::clicked, this, [this] { show_bookshelf(); });
  connect(start_button, &QPushButton::clicked, this, [this] { start_collection(); });
  connect(stop_button, &QPushButton::clicked, this, &MainWindow::stop_collection);
  connect(info_button, &QPushButton::clicked, this, &MainWindow::show_book_info);
  connect(read_button, &QPushButton::clicked, this, &MainWindow::open_reader);
  connect(info_item, &QAction::triggered, this, &MainWindow::show_book_info);
  connect(read_item, &QAction::triggered, this, &MainWindow::open_reader);
  connect(book_list_, &ReportList::context_menu_requested, this, [this] { popup_menu(*this, book_menu_); });
}

void MainWindow::set_page_range(int first, int last) {
  first_page_ = first;
  last_page_ = last;
}

bool MainWindow::start_collection() {
  // One collection at a time: a second one would interleave its pages with
  // the first and number the same books twice.
  if (collecting_ || context_.state == nullptr) return false;
  lv::routines::CollectionOptions options{context_.site_host, first_page_, last_page_, {}, retry_};
  options.scheduler = context_.scheduler;
  lv::routines::SharedState* state = context_.state;
  // A new collection lists the category again: the rows of the last one go.
  book_list_->report_model().clear();
  show_pages_done(0);
  // Each batch and, at the end, the report move into the posted calls: the
  // work keeps nothing that the window thread uses.
  const bool started = collection_.start([this, options, state](std::stop_token stop) mutable {
    options.stop = std::move(stop);
    options.page_done = [this](int done) { collection_.post([this, done] { show_pages_done(done); }); };
    auto report = lv::routines::collect_category(options, *state, [this](std::vector<lv::routines::BookRecord>&& rows) {
      collection_.post([this, rows = std::move(rows)]() mutable { add_rows(std::move(rows)); });
    });
    collection_.post([this, report = std::move(report)] { collection_ended(report); });
  });
  collecting_ = started;
  return started;
}

void MainWindow::stop_collection() {
  if (collecting_) collection_.request_stop();
}

void MainWindow::add_rows(std::vector<lv::routines::BookRecord>&& rows) {
  if (rows.empty()) return;
  book_list_->append_rows(std::move(rows));
  emit rows_added(book_list_->row_count());
}

void MainWindow::show_pages_done(int done) {
  collection_status_->setText(QStringLiteral("正在采集：%1 / %2 页").arg(done).arg(last_page_ - first_page_ + 1));
}

void MainWindow::collection_ended(const lv::routines::CollectionReport& report) {
  collecting_ = false;
  const int pages = last_page_ - first_page_ + 1;
  const int missing = static_cast<int>(report.missing.size());
  QString text = report.stopped ? QStringLiteral("采集已结束：%1 / %2 页").arg(report.pages_fetched).arg(pages)
                                : QStringLiteral("采集完成：%1 页").arg(pages);
  if (missing > 0) text += QStringLiteral("，%1 页未能取回").arg(missing);
  text += QStringLiteral("，共 %1 部小说").arg(book_list_->row_count());
  collection_status_->setText(text);
  emit collection_finished();
  if (!report.missing.empty()) report_missing_pages(report.missing);
}

void MainWindow::report_missing_pages(const std::vector<lv::routines::MissingPage>& missing) {
  // One line that fits any screen; the pages, one a line with why each did
  // not come, in the box's scrollable details.
  QStringList pages;
  for (const auto& page : missing) {
    pages << QStringLiteral("第%1页：").arg(page.page) + QString::fromStdString(lv::base::chinese(page.failure));
  }
  QMessageBox box(QMessageBox::Warning, QStringLiteral("信息："),
                  QStringLiteral("有 %1 个列表页未能取回，其中的小说未加入列表。").arg(missing.size()),
                  QMessageBox::Ok, this);
  box.setObjectName(QStringLiteral("缺页"));
  box.setDetailedText(pages.join(QLatin1Char('\n')));
  box.exec();
}

void MainWindow::refresh_count_label() {
  const int rows = book_list_->row_count();
  static const lv::base::Text before = lv::base::gbk("当前共找到：");
  static const lv::base::Text after = lv::base::gbk("部小说。");
  count_label_->setText(to_qstring(before + lv::base::to_text(rows) + after));
  if (tick_observer_) tick_observer_(rows);
}

int MainWindow::search_title() {
  static const lv::base::Text open_mark = lv::base::gbk("《");
  static const lv::base::Text close_mark = lv::base::gbk("》");
  const lv::base::Text sought = open_mark + to_gbk(search_box_->text()) + close_mark;
  // Every row is searched, the first one included.
  const int row = book_list_->find_row(sought, 0, true, 1);
  if (row >= 0) {
    book_list_->select_row(row);
  } else {
    QApplication::beep();
  }
  book_list_->setFocus(Qt::OtherFocusReason);
  return row;
}

bool MainWindow::download_selected_book() { return start_book_window(std::nullopt); }

bool MainWindow::export_selected_book() {
  const int row = book_list_->selected_row();
  if (row < 0) return false;
  QString title = to_qstring(book_list_->cell_text(row, 1));
  title.remove(QChar(u'《')).remove(QChar(u'》'));
  auto choice = choose_export_file(this, title, context_.library_path, save_chooser_);
  return choice && start_book_window(std::move(choice));
}

bool MainWindow::start_book_window(std::optional<ExportChoice> export_to) {
  const int row = book_list_->selected_row();
  if (row < 0) {
    QApplication::beep();
    return false;
  }
  BookDownloadWindow::Job job;
  job.book = book_list_->cell_text(row, 3);
  job.title = to_qstring(book_list_->cell_text(row, 1));
  job.library_path = context_.library_path;
  job.scheduler = context_.scheduler;
  if (export_to) job.export_to = BookDownloadWindow::ExportTarget{export_to->path, export_to->epub};
  return open_book_window(*this, std::move(job)) != nullptr;
}

BookshelfWindow& MainWindow::show_bookshelf() {
  if (bookshelf_.isNull()) {
    // A window of its own, not modal; a child so that it goes with this one.
    bookshelf_ = new BookshelfWindow(context_, this);
    bookshelf_->setWindowFlag(Qt::Window);
  } else {
    bookshelf_->reload();
  }
  bookshelf_->show();
  bookshelf_->raise();
  bookshelf_->activateWindow();
  return *bookshelf_;
}

void MainWindow::show_book_info() {
  if (context_.show_book_info) context_.show_book_info();
}

void MainWindow::open_reader() {
  if (context_.open_reader) context_.open_reader();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (close_action_) {
    event->accept();
    close_action_();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace lv::app
