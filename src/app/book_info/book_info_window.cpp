#include "app/book_info/book_info_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPalette>
#include <QShowEvent>
#include <QPointer>
#include <QPushButton>

#include "app/book_info/synopsis_label.h"
#include "app/shell/app_context.h"
#include "app/widgets/gbk_qstring.h"
#include "routines/rules_in_force.h"
#include "app/shell/browser.h"
#include "app/shell/message_box.h"
#include "app/widgets/window_placement.h"
#include "app/widgets/picture_box.h"
#include "base/code_page.h"

namespace lv::app {

namespace {

// The window's outer size, frame and title bar included.
constexpr QSize kOuterSize(380, 236);

const lv::base::Text& loading_title() {
  static const lv::base::Text text = lv::base::gbk("[正在加载。。。]");
  return text;
}

QLabel* make_label(QWidget* parent, const char* name, const QRect& place, const char* utf8_caption) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(place);
  // Page text is shown as it is, never read as markup.
  label->setTextFormat(Qt::PlainText);
  label->setText(QString::fromUtf8(utf8_caption));
  return label;
}

QPushButton* make_button(QWidget* parent, const char* name, const QRect& place, const char* utf8_caption) {
  auto* button = new QPushButton(QString::fromUtf8(utf8_caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(place);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

BookInfoWindow::BookInfoWindow(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      context_(context) {
  setObjectName(QStringLiteral("BookInfoWindow"));
  setWindowTitle(to_qstring(loading_title()));
  setFixedSize(kOuterSize);

  cover_ = new PictureBox(this);
  cover_->setObjectName(QString::fromUtf8("图片框1"));
  cover_->setGeometry(8, 16, 112, 144);

  title_label_ = make_label(this, "标签1", {128, 16, 112, 24}, "书名：");
  author_label_ = make_label(this, "标签2", {256, 16, 112, 24}, "作者：");
  category_label_ = make_label(this, "标签3", {128, 56, 112, 24}, "类别：");
  status_label_ = make_label(this, "标签4", {256, 56, 112, 24}, "状态：");
  synopsis_label_ = new SynopsisLabel(this);
  synopsis_label_->setObjectName(QStringLiteral("标签5"));
  synopsis_label_->setGeometry(128, 88, 240, 72);
  synopsis_label_->setText(QStringLiteral("简介"));
  synopsis_ = to_gbk(synopsis_label_->text());
  more_label_ = make_label(this, "标签6", {260, 138, 104, 24}, "点击查看完整信息");
  QPalette red = more_label_->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  more_label_->setPalette(red);
  synopsis_label_->installEventFilter(this);
  more_label_->installEventFilter(this);
  // 标签6 lies over the lower right corner of 标签5: it paints its own
  // background there and is the one to catch presses.
  more_label_->setAutoFillBackground(true);
  more_label_->raise();
  // The synopsis flows around it, in whole lines, and says "……" when words are left out.
  synopsis_label_->set_covered_corner(more_label_->geometry().translated(-synopsis_label_->pos()));

  read_button_ = make_button(this, "按钮1", {13, 168, 80, 32}, "阅读本书");
  home_button_ = make_button(this, "按钮2", {101, 168, 80, 32}, "打开主页");
  refresh_button_ = make_button(this, "按钮3", {189, 168, 80, 32}, "刷新信息");
  close_button_ = make_button(this, "按钮4", {277, 168, 80, 32}, "关闭");
  connect(read_button_, &QPushButton::clicked, this, &BookInfoWindow::read_this_book);
  connect(home_button_, &QPushButton::clicked, this, &BookInfoWindow::open_home_page);
  connect(refresh_button_, &QPushButton::clicked, this, &BookInfoWindow::refresh_book_info);
  connect(close_button_, &QPushButton::clicked, this, &QWidget::hide);

  centre_on_screen(*this);
}

void BookInfoWindow::show_book_info() { load(lv::routines::PageLoader::fetch); }

void BookInfoWindow::refresh_book_info() { load(lv::routines::PageLoader::download); }

void BookInfoWindow::load(lv::routines::PageLoader loader) {
  static const lv::base::Text title_tail = lv::base::gbk(" 信息");
  static const lv::base::Text name_prefix = lv::base::gbk("书名：");

  // Visible first: the old (or emptied) contents show while the page loads.
  show();
  raise();
  const lv::base::Text address =
      context_.selected_book_address ? context_.selected_book_address() : lv::base::Text();

  // Both loads let events run, another call of this one included, and the
  // window may be gone when they return.
  QPointer<BookInfoWindow> alive(this);
  const lv::base::Text body = lv::routines::load_book_page(address, loader);
  if (alive.isNull()) return;
  const lv::scrape::BookInfo info = lv::scrape::parse_book_page(body, lv::routines::rules_in_force()->book_page);

  setWindowTitle(to_qstring(info.name + title_tail));
  set_caption(title_label_, name_prefix + info.name);
  set_caption(author_label_, info.author);
  set_caption(category_label_, info.category);
  set_caption(status_label_, info.status);

  const lv::base::Bytes cover = lv::routines::load_cover(info.cover_address, address);
  if (alive.isNull()) return;
  cover_->set_picture(cover);
  set_caption(synopsis_label_, info.intro);
  synopsis_ = info.intro;
}

void BookInfoWindow::set_caption(QLabel* label, const lv::base::Text& gbk_text) {
  label->setText(to_qstring(gbk_text));
  label->repaint();
}

void BookInfoWindow::bring_to_front() { lv::app::bring_to_front(*this); }

void BookInfoWindow::show_full_synopsis() { message_box(std::string_view(synopsis_), 0); }

void BookInfoWindow::read_this_book() {
  hide();
  if (context_.open_reader) context_.open_reader();
}

void BookInfoWindow::open_home_page() {
  // The row selected now, which need not be the book shown here.
  const lv::base::Text address =
      context_.selected_book_address ? context_.selected_book_address() : lv::base::Text();
  open_in_browser(address);
}

void BookInfoWindow::clear_contents() {
  cover_->set_picture({});
  for (QLabel* label : {title_label_, author_label_, category_label_, status_label_, static_cast<QLabel*>(synopsis_label_)}) {
    set_caption(label, {});
  }
  synopsis_.clear();
  setWindowTitle(to_qstring(loading_title()));
}

void BookInfoWindow::closeEvent(QCloseEvent* event) {
  // The window lives for the whole run: a close request only hides and empties it.
  hide();
  clear_contents();
  event->ignore();
}

bool BookInfoWindow::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == synopsis_label_ || watched == more_label_) &&
      event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    show_full_synopsis();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void BookInfoWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  fit_outer_size();
}

void BookInfoWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  // A window manager adds its frame after the first show and moves the window.
  fit_outer_size();
}

void BookInfoWindow::fit_outer_size() {
  // The frame's size is known only once the window is on screen; the client
  // area gets what the outer size leaves.
  const QSize frame = frameGeometry().size() - geometry().size();
  const QSize client = kOuterSize - frame;
  if (client.isValid() && client != size()) setFixedSize(client);
}

}  // namespace lv::app
