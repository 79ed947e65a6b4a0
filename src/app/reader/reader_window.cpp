#include "app/reader/reader_window.h"

#include <QCoreApplication>
#include <QPointer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QActionGroup>
#include <QInputDialog>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <vector>

#include "app/widgets/gbk_qstring.h"
#include "app/reader/reader_appearance.h"
#include "app/reader/reader_colour_panel.h"
#include "app/reader/reader_font_dialog.h"
#include "app/reader/find_results.h"
#include "app/reader/reader_layout.h"
#include "app/reader/reader_library.h"
#include "app/shell/library_problem.h"
#include "app/reader/reader_settings.h"
#include "app/widgets/clipboard.h"
#include "app/widgets/keys.h"
#include "app/widgets/window_placement.h"
#include "app/widgets/edit_box.h"
#include "app/widgets/list_box.h"
#include "app/widgets/move_unit.h"
#include "app/widgets/popup_menu.h"
#include "app/widgets/status_bar.h"
#include "base/code_page.h"
#include "base/convert.h"
#include "base/date_time.h"
#include "base/random.h"
#include "library/library.h"
#include "net/transfer_outcome.h"
#include "routines/chapter.h"
#include "routines/collect_chapters.h"
#include "routines/fetch_chapters.h"

namespace lv::app {

using lv::base::gbk;
using lv::base::Text;

namespace {

constexpr int kInitialWidth = 800;
constexpr int kInitialHeight = 600;
constexpr int kClockPeriodMs = 100;
// The chapter list's place in its group box as defined.
constexpr int kListLeft = 4;
constexpr int kListTop = 11;
constexpr int kClockPart = 3;
constexpr int kStatusPart = 0;
// Status bar parts as defined: 50, 50, 0, then the rest of the bar.
const std::vector<int> kStatusWidths{50, 50, 0, -1};

QAction* add_item(QMenu* menu, const QString& caption, const QString& shown_shortcut = {}) {
  // A shortcut after a tab is only shown; it is not a key of the window.
  return menu->addAction(shown_shortcut.isEmpty() ? caption : caption + QLatin1Char('\t') + shown_shortcut);
}

// A menu caption shows "&" as a mnemonic marker unless it is doubled.
QString menu_caption(const Text& caption) {
  QString text = to_qstring(caption);
  text.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return text;
}

// A chapter the site took down stays in the list, marked.
Text listed_title(const lv::library::StoredChapter& chapter) {
  static const Text removed = gbk("（已下架）");
  return chapter.removed ? chapter.title + removed : chapter.title;
}

// The chapters fetched ahead of the one shown.
constexpr std::size_t kPrefetched = 2;

}  // namespace

ReaderWindow::ReaderWindow(AppContext& ctx, QWidget* parent, std::optional<LibraryBook> library_book)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ctx_(ctx),
      title_caption_("s") {
  setObjectName(QStringLiteral("阅读窗口"));
  if (library_book) {
    book_ = library_book->book;
    from_library_ = true;
  }
  library_ = std::make_unique<ReaderLibrary>(ctx.library_path, book_address());
  build_controls();
  build_menus();
  resize(kInitialWidth, kInitialHeight);
  centre_on_screen(*this);
  // The look chosen last time, from the first frame.
  load_settings();

  clock_ = new QTimer(this);
  clock_->setObjectName(QStringLiteral("时钟1"));
  clock_->setInterval(kClockPeriodMs);
  connect(clock_, &QTimer::timeout, this, &ReaderWindow::tick);
  clock_->start();

  set_status_text();
  if (from_library_ && fill_from_library()) {
    open_where_left(library_book->start);
  } else {
    from_library_ = false;  // the library has no list for it: the site's, as for the selected book
    start_chapter_load();
  }
  // The title and the clock read right from the first frame.
  tick();
}

Text ReaderWindow::book_address() const {
  if (!book_.empty()) return book_;
  return ctx_.selected_book_address ? ctx_.selected_book_address() : Text();
}

bool ReaderWindow::fill_from_library() {
  const auto stored = library_->stored_book();
  if (!stored || stored->chapters.empty()) return false;
  book_title_ = stored->details.name;
  if (!from_library_ && ctx_.state != nullptr) ctx_.state->set_current_book_title(stored->details.name);
  chapter_list_->clear();
  address_list_->clear();
  for (const auto& chapter : stored->chapters) {
    const int row = chapter_list_->add_item(listed_title(chapter));
    if (script_ != lv::exporting::ChineseScript::as_written) {
      chapter_list_->show_item_as(row, lv::exporting::convert_gbk(listed_title(chapter), script_));
    }
    address_list_->add_item(chapter.address);
  }
  return true;
}

void ReaderWindow::open_where_left(std::optional<LibraryReaderStart> start) {
  if (start) {
    show_chapter_at(start->chapter, start->text_offset);
    return;
  }
  int chapter = 0;
  int offset = 0;
  if (const auto position = library_->position()) {
    for (int i = 0; i < address_list_->count(); ++i) {
      if (address_list_->item_text(i) == position->chapter_address) {
        chapter = i;
        offset = position->text_offset;
        break;
      }
    }
  }
  chapter_list_->set_selection(chapter);
  place_on_show_ = PlaceOnShow{address_list_->item_text(chapter), offset};
  show_chapter();
}

// The chapter-list task stops and is joined as the reader goes.
ReaderWindow::~ReaderWindow() { closing_.request_stop(); }

void ReaderWindow::build_controls() {
  menu_bar_ = new QMenuBar(this);
  client_ = new QWidget(this);

  chapter_group_ = new QGroupBox(QStringLiteral("章节列表"), client_);
  chapter_group_->setObjectName(QStringLiteral("分组框1"));
  chapter_group_->setGeometry(0, 0, 112, 224);

  chapter_list_ = new ListBox(chapter_group_);
  chapter_list_->setObjectName(QStringLiteral("列表框1"));
  chapter_list_->setGeometry(kListLeft, kListTop, 100, 205);
  chapter_list_->setContextMenuPolicy(Qt::PreventContextMenu);
  connect(chapter_list_, &ListBox::user_selection_changed, this, [this](int) { show_chapter(); });

  address_list_ = new ListBox(client_);
  address_list_->setObjectName(QStringLiteral("列表框2"));
  address_list_->setGeometry(8, 224, 100, 120);
  address_list_->hide();

  text_view_ = new QPlainTextEdit(client_);
  text_view_->setObjectName(QStringLiteral("编辑框1"));
  text_view_->setGeometry(112, 0, 80, 20);
  text_view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_view_->setContextMenuPolicy(Qt::PreventContextMenu);
  text_view_->setFont(reader_default_font());
  set_background_colour(*text_view_, Qt::white);
  set_text_colour(*text_view_, Qt::black);

  status_bar_ = new PartStatusBar(kStatusWidths, this);
  status_bar_->setObjectName(QStringLiteral("状态条1"));

  // Both panels share one rectangle above the text view; the one shown last is on top.
  background_colour_panel_ =
      new ColourPanel(QStringLiteral("分组框2"), QStringLiteral("标签1"), QStringLiteral("颜色选择器1"), client_);
  background_colour_panel_->setGeometry(280, 224, 224, 80);
  background_colour_panel_->hide();
  background_colour_panel_->picker()->set_colour(Qt::white);
  connect(background_colour_panel_, &ColourPanel::colour_picked, this, [this](const QColor& colour) {
    set_background_colour(*text_view_, colour);
    save_reader_background_colour(colour);
  });

  text_colour_panel_ =
      new ColourPanel(QStringLiteral("分组框3"), QStringLiteral("标签2"), QStringLiteral("颜色选择器2"), client_);
  text_colour_panel_->setGeometry(280, 224, 224, 80);
  text_colour_panel_->hide();
  text_colour_panel_->picker()->set_colour(Qt::black);
  connect(text_colour_panel_, &ColourPanel::colour_picked, this, [this](const QColor& colour) {
    set_text_colour(*text_view_, colour);
    save_reader_text_colour(colour);
  });

  font_dialog_ = new FontColourDialog(this);
  font_dialog_->set_choice(FontChoice{text_view_->font(), text_colour(*text_view_)});

  chapter_list_->installEventFilter(this);
  chapter_list_->viewport()->installEventFilter(this);
  text_view_->installEventFilter(this);
  text_view_->viewport()->installEventFilter(this);
}

void ReaderWindow::build_menus() {
  QMenu* edit_menu = menu_bar_->addMenu(QStringLiteral("编辑"));
  QAction* font = edit_menu->addAction(QStringLiteral("字体"));
  font->setShortcut(QKeySequence(Qt::Key_F1));
  connect(font, &QAction::triggered, this, &ReaderWindow::choose_font);
  QAction* text_colour = edit_menu->addAction(QStringLiteral("字体颜色"));
  text_colour->setShortcut(QKeySequence(Qt::Key_F2));
  connect(text_colour, &QAction::triggered, this, &ReaderWindow::show_text_colour_panel);
  QAction* background = edit_menu->addAction(QStringLiteral("背景色"));
  background->setShortcut(QKeySequence(Qt::Key_F3));
  connect(background, &QAction::triggered, this, &ReaderWindow::show_background_colour_panel);
  connect(edit_menu->addAction(QStringLiteral("读取设置")), &QAction::triggered, this, &ReaderWindow::load_settings);
  QMenu* scripts = edit_menu->addMenu(QStringLiteral("繁體/简体"));
  scripts->setObjectName(QStringLiteral("繁體/简体"));
  auto* script_group = new QActionGroup(scripts);
  using lv::exporting::ChineseScript;
  const std::pair<const char*, ChineseScript> choices[] = {
      {"按原文", ChineseScript::as_written}, {"简体", ChineseScript::t2s}, {"繁體", ChineseScript::s2t},
      {"繁體（台灣）", ChineseScript::s2tw}, {"繁體（香港）", ChineseScript::s2hk}};
  for (const auto& [caption, script] : choices) {
    QAction* choice = scripts->addAction(QString::fromUtf8(caption));
    choice->setCheckable(true);
    choice->setChecked(script == script_);
    choice->setEnabled(lv::exporting::script_available(script));
    choice->setData(static_cast<int>(script));
    script_group->addAction(choice);
    connect(choice, &QAction::triggered, this, [this, script = script] { show_in_script(script); });
  }
  QAction* find = edit_menu->addAction(QStringLiteral("查找"));
  find->setObjectName(QStringLiteral("查找"));
  find->setShortcut(QKeySequence::Find);
  connect(find, &QAction::triggered, this, &ReaderWindow::find_in_book);

  QMenu* about_menu = menu_bar_->addMenu(QStringLiteral("关于"));
  QAction* about = about_menu->addAction(QStringLiteral("关于"));
  connect(about, &QAction::triggered, this, [this] {
    if (ctx_.raise_book_info) ctx_.raise_book_info();
  });

  title_menu_ = menu_bar_->addMenu(menu_caption(title_caption_));
  title_menu_->addAction(QStringLiteral("dasf"))->setVisible(false);

  // The pop-up menus hang under no menu bar, so their shortcuts stay the
  // edit box's own keys.
  text_menu_ = new QMenu(QStringLiteral("cd"), this);
  connect(add_item(text_menu_, QStringLiteral("上一章 ←键")), &QAction::triggered, this,
          &ReaderWindow::previous_chapter);
  connect(add_item(text_menu_, QStringLiteral("下一章 →键")), &QAction::triggered, this,
          &ReaderWindow::next_chapter);
  text_menu_->addSeparator();
  connect(add_item(text_menu_, QStringLiteral("剪切"), QStringLiteral("Ctrl+X")), &QAction::triggered, this,
          &ReaderWindow::cut);
  connect(add_item(text_menu_, QStringLiteral("复制"), QStringLiteral("Ctrl+C")), &QAction::triggered, this,
          &ReaderWindow::copy);
  connect(add_item(text_menu_, QStringLiteral("粘贴"), QStringLiteral("Ctrl+V")), &QAction::triggered, this,
          &ReaderWindow::paste);
  connect(add_item(text_menu_, QStringLiteral("删除"), QStringLiteral("Del")), &QAction::triggered, this,
          &ReaderWindow::remove);

  list_menu_ = new QMenu(QStringLiteral("ad"), this);
  add_item(list_menu_, QStringLiteral("阅读"));
  connect(add_item(list_menu_, QStringLiteral("复制名称")), &QAction::triggered, this,
          &ReaderWindow::copy_chapter_title);
}

void ReaderWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  lay_out();
}

void ReaderWindow::keyPressEvent(QKeyEvent* event) {
  // A dialog closes itself on Esc, and with it the chapter list and the
  // chosen appearance; the reader is closed by its close box alone.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void ReaderWindow::lay_out() {
  const int width = this->width();
  const int height = this->height();

  // The menu bar and the status bar frame the client area, as the platform
  // frames a window's client area with them.
  const int menu_height = menu_bar_->sizeHint().height();
  const int status_height = status_bar_->sizeHint().height();
  const int client_height = std::max(height - menu_height - status_height, 0);
  menu_bar_->setGeometry(0, 0, width, menu_height);
  client_->setGeometry(0, menu_height, width, client_height);
  status_bar_->setGeometry(0, height - status_height, width, status_height);

  const ReaderLayout layout = reader_layout(width, client_height);
  for (int part = 0; part < 3; ++part) status_bar_->set_part_width(part, layout.part_width);
  move_unit(*chapter_group_, std::nullopt, std::nullopt, layout.group_width, layout.group_height);
  place_chapter_list(layout.list_width);
  move_unit(*text_view_, layout.text_left, std::nullopt, layout.text_width, layout.text_height);

  if (reader_too_small(width, height)) {
    // Both dimensions go back to the smallest size; the new size comes back
    // through this handler and lays the controls out again.
    setUpdatesEnabled(false);
    resize(kReaderMinWidth, kReaderMinHeight);
    setUpdatesEnabled(true);
  }
}

void ReaderWindow::place_chapter_list(int width) {
  // Inside the group box's content area, so the caption above it shows whole;
  // the defined place (4, 11) where the style leaves room for it.
  const QRect inside = chapter_group_->contentsRect();
  const int top = std::max(kListTop, inside.top());
  chapter_list_->setGeometry(kListLeft, top, width, std::max(inside.bottom() + 1 - top, 0));
}

void ReaderWindow::set_status_text() {
  lv::base::random_seed();
  const int n = lv::base::random_int(1, 9);
  static const Text good = gbk("状态：良好");
  static const Text fair = gbk("状态：一般");
  static const Text poor = gbk("状态：较差");
  // 1, 4, 7 good; 2, 5, 8 fair; 3, 6, 9 poor: a third each.
  const Text& text = n % 3 == 1 ? good : (n % 3 == 2 ? fair : poor);
  status_bar_->set_part_text(kStatusPart, text);
}

void ReaderWindow::start_chapter_load() {
  lv::routines::ChapterSink sink;
  sink.set_book_title = [this](const Text& title) {
    chapter_load_.post([this, title] {
      if (!closed_) setWindowTitle(to_qstring(title));
    });
  };
  sink.add_chapters = [this](std::vector<lv::routines::ChapterEntry>&& chapters) {
    chapter_load_.post([this, chapters = std::move(chapters)] {
      if (closed_) return;
      for (const auto& chapter : chapters) {
        const int row = chapter_list_->add_item(chapter.title);
        if (script_ != lv::exporting::ChineseScript::as_written) {
          chapter_list_->show_item_as(row, lv::exporting::convert_gbk(chapter.title, script_));
        }
        address_list_->add_item(chapter.address);
      }
    });
  };

  lv::routines::SharedState* state = ctx_.state;
  if (state == nullptr) return;
  chapter_load_.start([this, state, sink = std::move(sink), book_address = book_address()](std::stop_token stop) {
    lv::routines::collect_chapters(book_address, *state, sink, stop);
    if (stop.stop_requested()) return;
    // After every batch of the site's list: none came, so the library's serves.
    chapter_load_.post([this] {
      if (!closed_ && chapter_list_->count() == 0) fill_from_library();
    });
  });
}

void ReaderWindow::done(int result) {
  // A closed reader takes no more writes and ends its work at once: the
  // chapter list's transfer and a chapter download still waiting.
  if (!closed_) save_position();
  closed_ = true;
  for (Task* task : {&chapter_load_, &chapter_fetch_, &prefetch_}) task->request_stop();
  closing_.request_stop();
  QDialog::done(result);
}

void ReaderWindow::show_chapter() {
  address_list_->set_selection(chapter_list_->selection());
  const Text chapter_address = address_list_->item_text(address_list_->selection());
  const Text title = chapter_list_->item_text(chapter_list_->selection());

  if (from_library_) {
    // What the library holds shows at once, without the network.
    if (auto stored = library_->stored_text(chapter_address)) {
      show_text(title, *stored);
    } else if (chapter_address.empty()) {
      show_text(title, {});
    } else {
      fetch_and_show(chapter_address);
    }
    return;
  }

  // The download lets events run: this window may be closed or destroyed,
  // and other chapters picked, before it returns.
  const QPointer<ReaderWindow> alive(this);
  lv::net::TransferOutcome outcome;
  Text text = lv::routines::load_chapter_text(book_address(), chapter_address, &outcome, closing_.get_token());
  if (!alive || closed_) return;
  if (!outcome.fetched()) {
    if (auto stored = library_->stored_text(chapter_address)) text = std::move(*stored);
  }
  show_text(title, text);
}

void ReaderWindow::show_text(const Text& title, const Text& text) {
  shown_title_ = title;
  shown_text_ = text;
  const auto in_script = [this](const Text& t) { return lv::exporting::convert_gbk(t, script_); };
  set_edit_content(*text_view_, lv::routines::chapter_view_content(in_script(title), in_script(text)));
  const Text book_title = from_library_ || ctx_.state == nullptr ? book_title_ : ctx_.state->current_book_title();
  set_title_caption(lv::routines::chapter_caption(in_script(book_title), in_script(title)));
  // A place asked for before the text came (it may have had to be fetched)
  // is taken before the place is saved.
  if (place_on_show_) {
    if (place_on_show_->chapter_address == address_list_->item_text(address_list_->selection())) {
      scroll_to(place_on_show_->position);
    }
    place_on_show_.reset();
  }
  chapter_shown();
}

void ReaderWindow::show_in_script(lv::exporting::ChineseScript script) {
  if (!lv::exporting::script_available(script)) return;
  script_ = script;
  save_reader_script(script);
  for (QAction* choice : menu_bar_->findChild<QMenu*>(QStringLiteral("繁體/简体"))->actions()) {
    choice->setChecked(choice->data().toInt() == static_cast<int>(script));
  }
  for (int i = 0; i < chapter_list_->count(); ++i) {
    chapter_list_->show_item_as(i, lv::exporting::convert_gbk(chapter_list_->item_text(i), script_));
  }
  if (chapter_list_->selection() >= 0) {
    const int place = shown_position();
    show_text(shown_title_, shown_text_);
    scroll_to(place);
  }
}

void ReaderWindow::chapter_shown() {
  save_position();
  if (from_library_) prefetch_after(chapter_list_->selection());
}

void ReaderWindow::fetch_and_show(const Text& chapter_address) {
  static const Text loading = gbk("正在载入……");
  const Text title = chapter_list_->item_text(chapter_list_->selection());
  set_edit_content(*text_view_, lv::routines::chapter_view_content(title, loading));
  const std::string book = book_address();
  const std::string path = ctx_.library_path;
  lv::net::Scheduler* scheduler = ctx_.scheduler;
  chapter_fetch_.start([this, book, path, scheduler, chapter_address](std::stop_token stop) {
    lv::routines::ChapterFetchOptions options;
    options.scheduler = scheduler;
    options.stop = stop;
    std::vector<lv::routines::ChapterFetch> fetched;
    try {
      lv::library::Library library = lv::library::Library::open(path);
      fetched = lv::routines::fetch_chapters(book, {chapter_address}, library, options);
    } catch (const lv::library::LibraryError& error) {
      chapter_fetch_.post([this, why = library_problem_text(error)] { set_edit_content(*text_view_, to_gbk(why)); });
      return;
    }
    if (stop.stop_requested() || fetched.empty()) return;
    chapter_fetch_.post([this, result = std::move(fetched.front())] {
      // Another chapter may have been picked meanwhile.
      if (closed_ || address_list_->item_text(address_list_->selection()) != result.address) return;
      const Text title = chapter_list_->item_text(chapter_list_->selection());
      if (result.failure.failed()) {
        set_edit_content(*text_view_, lv::routines::chapter_view_content(
                                          title, gbk("本章未能取回：" + lv::base::chinese(result.failure))));
        return;
      }
      show_text(title, result.text);
    });
  });
}

void ReaderWindow::prefetch_after(int chapter) {
  if (chapter < 0) return;
  const auto stored = library_->stored_book();
  if (!stored) return;
  std::vector<Text> ahead;
  const std::size_t first = static_cast<std::size_t>(chapter) + 1;
  for (std::size_t i = first; i < stored->chapters.size() && i < first + kPrefetched; ++i) {
    const auto& next = stored->chapters[i];
    if (!next.stored && !next.removed) ahead.push_back(next.address);
  }
  if (ahead.empty()) return;
  const std::string book = book_address();
  const std::string path = ctx_.library_path;
  lv::net::Scheduler* scheduler = ctx_.scheduler;
  // Starting again stops the fetch ahead of an earlier chapter.
  prefetch_.start([book, path, scheduler, ahead = std::move(ahead)](std::stop_token stop) {
    lv::routines::ChapterFetchOptions options;
    options.scheduler = scheduler;
    options.stop = stop;
    try {
      lv::library::Library library = lv::library::Library::open(path);
      lv::routines::fetch_chapters(book, ahead, library, options);
    } catch (const lv::library::LibraryError&) {
      // Nothing fetched ahead; the chapter is fetched when it is shown.
    }
  });
}

int ReaderWindow::shown_position() const { return text_view_->cursorForPosition(QPoint(1, 1)).position(); }

void ReaderWindow::scroll_to(int position) {
  QTextCursor cursor(text_view_->document());
  cursor.setPosition(std::clamp(position, 0, std::max(0, text_view_->document()->characterCount() - 1)));
  text_view_->setTextCursor(cursor);
  // The block of the place at the top of the view.
  text_view_->verticalScrollBar()->setValue(cursor.block().blockNumber());
}

void ReaderWindow::save_position() {
  library_->save_position(address_list_->item_text(address_list_->selection()), shown_position());
}

void ReaderWindow::show_chapter_at(int chapter, std::size_t text_offset) {
  chapter_list_->set_selection(chapter);
  const Text address = address_list_->item_text(chapter_list_->selection());
  if (const auto text = library_->stored_text(address)) {
    // Where the place is among the characters of what the view shows.
    const Text title = chapter_list_->item_text(chapter_list_->selection());
    const Text before = lv::routines::chapter_view_content(title, std::string_view(*text).substr(0, std::min(text_offset, text->size())));
    place_on_show_ = PlaceOnShow{address, static_cast<int>(to_editor_text(before).size())};
  }
  show_chapter();
}

void ReaderWindow::previous_chapter() {
  chapter_list_->set_selection(chapter_list_->selection() - 1);
  show_chapter();
}

void ReaderWindow::next_chapter() {
  chapter_list_->set_selection(chapter_list_->selection() + 1);
  show_chapter();
}

void ReaderWindow::copy_chapter_title() {
  copy_to_clipboard(chapter_list_->item_text(chapter_list_->selection()));
}

void ReaderWindow::cut() {
  copy_to_clipboard(selected_text(*text_view_));
  text_view_->setFocus();
  press_keys(8);  // Backspace deletes the selection
}

void ReaderWindow::copy() { copy_to_clipboard(selected_text(*text_view_)); }

void ReaderWindow::paste() {
  const Text text = read_clipboard_text();
  edit_append(*text_view_, {text});
}

void ReaderWindow::remove() {
  text_view_->setFocus();
  press_keys(8);  // Backspace: the selection, or the character before the caret
}

void ReaderWindow::choose_font() {
  const QPointer<ReaderWindow> alive(this);
  const bool accepted = font_dialog_->choose();
  if (!alive || !accepted) return;
  apply_font_choice();
}

void ReaderWindow::apply_font_choice() {
  const FontChoice choice = font_dialog_->choice();
  const QFont font = reader_font_from_choice(choice.font);
  text_view_->setFont(font);
  set_text_colour(*text_view_, choice.colour);
  save_reader_font(font);
  save_reader_text_colour(choice.colour);
}

void ReaderWindow::load_settings() {
  const SavedAppearance saved = load_reader_appearance();
  if (saved.font) text_view_->setFont(reader_font_from_choice(*saved.font));
  if (saved.text_colour) {
    set_text_colour(*text_view_, *saved.text_colour);
    text_colour_panel_->picker()->set_colour(*saved.text_colour);
  }
  if (saved.background_colour) {
    set_background_colour(*text_view_, *saved.background_colour);
    background_colour_panel_->picker()->set_colour(*saved.background_colour);
  }
  // The font dialog offers what the text view now shows.
  font_dialog_->set_choice(FontChoice{text_view_->font(), text_colour(*text_view_)});
  if (saved.script && *saved.script != script_ && lv::exporting::script_available(*saved.script)) {
    show_in_script(*saved.script);
  }
}

void ReaderWindow::show_text_colour_panel() {
  text_colour_panel_->show();
  text_colour_panel_->raise();
}

void ReaderWindow::show_background_colour_panel() {
  background_colour_panel_->show();
  background_colour_panel_->raise();
}

void ReaderWindow::set_title_caption(const Text& caption) {
  title_caption_ = caption;
  title_menu_->setTitle(menu_caption(caption));
}

void ReaderWindow::tick() {
  static const Text product = "   -PagewickV1.0.2.0";
  static const Text clock_label = gbk("现行时间：");
  setWindowTitle(to_qstring(title_caption_ + product));
  status_bar_->set_part_text(kClockPart, clock_label + lv::base::to_text(lv::base::current_time()));
}

bool ReaderWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool in_list = watched == chapter_list_;
  const bool in_text = watched == text_view_;
  if ((in_list || in_text) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
      const QPointer<QObject> target(watched);
      if (key == Qt::Key_Left) {
        previous_chapter();
      } else {
        next_chapter();
      }
      // The list has been stepped here and must not step again on its own;
      // the text view still moves its caret. A control that went away while
      // the chapter loaded gets nothing more.
      return target.isNull() || in_list;
    }
  }
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    if (watched == chapter_list_->viewport()) {
      popup_menu(*this, *list_menu_);
      return true;
    }
    if (watched == text_view_->viewport()) {
      popup_menu(*this, *text_menu_);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ReaderWindow::find_in_book() {
  bool given = false;
  const QString sought = QInputDialog::getText(this, QStringLiteral("查找"), QStringLiteral("在本书已存的章节中查找："),
                                               QLineEdit::Normal, {}, &given);
  if (!given || sought.isEmpty() || closed_) return;
  if (!library_->stored_book()) {
    show_library_problem(this, QStringLiteral("这本书不在书库中：只能在书库存着的章节里查找。"));
    return;
  }
  auto* hits = new FindResults(ctx_.library_path, book_address(), to_gbk(sought), this);
  hits->setAttribute(Qt::WA_DeleteOnClose);
  connect(hits, &FindResults::picked, this, [this, hits](int chapter, std::size_t offset) {
    hits->close();
    show_chapter_at(chapter, offset);
  });
  hits->show();
}

int open_reader(AppContext& ctx, QWidget* opener, std::optional<ReaderWindow::LibraryBook> library_book) {
  ReaderWindow reader(ctx, opener, std::move(library_book));
  // Modal to the window that opened it only: a download window or the
  // bookshelf stays usable while the reader is open.
  reader.setWindowModality(opener != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
  return reader.exec();
}

}  // namespace lv::app
