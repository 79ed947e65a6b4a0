#pragma once
// The reader: the chapters of the selected book in a list, one chapter's text
// beside it, chapter stepping by menu and arrow keys, the text view's font and
// colours, and a title and clock that follow the chapter on show.
#include <QDialog>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <stop_token>

#include "app/shell/app_context.h"
#include "app/shell/task.h"
#include "base/text.h"
#include "export/chinese_script.h"

class QAction;
class QGroupBox;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QTimer;

namespace lv::app {

class ColourPanel;
class FontColourDialog;
class ListBox;
class PartStatusBar;
class ReaderLibrary;

class ReaderWindow final : public QDialog {
  Q_OBJECT

 public:
  // A book of the library, opened from the bookshelf or a search hit.
  struct LibraryBook {
    std::string book;
    std::optional<LibraryReaderStart> start;  // none: where the reader last was
  };

  // Builds the window at 800 x 600, centred, puts the saved look on the text
  // view and sets the status text. For the selected book of the main window
  // it starts loading the chapter list of ctx.selected_book_address() as a
  // task (the library's list serves when the site cannot be reached); for a
  // library book it takes the list from the library at once and opens at
  // `start` or where the reader last was.
  explicit ReaderWindow(AppContext& ctx, QWidget* parent = nullptr,
                        std::optional<LibraryBook> library_book = std::nullopt);
  ~ReaderWindow() override;
  ReaderWindow(const ReaderWindow&) = delete;
  ReaderWindow& operator=(const ReaderWindow&) = delete;

  // --- chapters ----------------------------------------------------------------
  // Loads the chapter selected in the chapter list into the text view. The
  // download lets events run, so this may be entered again while it waits.
  void show_chapter();
  void previous_chapter();
  void next_chapter();
  void copy_chapter_title();

  // --- text view editing ---------------------------------------------------------
  void cut();
  void copy();
  void paste();
  void remove();

  // --- appearance --------------------------------------------------------------
  // Opens the font dialog; OK sets the text view's font and text colour.
  // Every font and colour the user picks is saved in the settings.
  void choose_font();
  void show_text_colour_panel();
  void show_background_colour_panel();
  // "读取设置": the saved font and colours onto the text view; an entry that
  // is missing or damaged changes nothing.
  void load_settings();

  // --- parts, for the tests and tools that drive the window -------------------
  ListBox* chapter_list() const { return chapter_list_; }
  ListBox* address_list() const { return address_list_; }
  QPlainTextEdit* text_view() const { return text_view_; }
  QGroupBox* chapter_group() const { return chapter_group_; }
  PartStatusBar* status_bar() const { return status_bar_; }
  QMenuBar* menu_bar() const { return menu_bar_; }
  QMenu* title_menu() const { return title_menu_; }
  QMenu* text_menu() const { return text_menu_; }
  QMenu* list_menu() const { return list_menu_; }
  ColourPanel* text_colour_panel() const { return text_colour_panel_; }
  ColourPanel* background_colour_panel() const { return background_colour_panel_; }
  FontColourDialog* font_dialog() const { return font_dialog_; }
  // The title menu item's caption as GBK ("s" until a chapter is shown).
  const lv::base::Text& title_caption() const { return title_caption_; }

  void done(int result) override;

  // "查找": the stored chapters of this book that hold the text, listed;
  // picking one shows the chapter at the place.
  void find_in_book();
  // Shows the chapter at that place of the list, scrolled to `text_offset`
  // bytes into its text (a search hit).
  void show_chapter_at(int chapter, std::size_t text_offset);
  // The first character shown in the text view (characters into its content).
  int shown_position() const;
  // "繁體/简体": the chapter text, the titles and the caption shown in that
  // script (kept in the settings like the rest of the look).
  void show_in_script(lv::exporting::ChineseScript script);
  lv::exporting::ChineseScript script() const { return script_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // Esc does not close the reader: only its close box does.
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build_controls();
  void build_menus();
  void lay_out();
  void place_chapter_list(int width);
  void set_status_text();
  void start_chapter_load();
  void tick();
  void set_title_caption(const lv::base::Text& caption);
  void apply_font_choice();
  lv::base::Text book_address() const;
  // The chapter list from the library; false when it holds no list for the book.
  bool fill_from_library();
  void open_where_left(std::optional<LibraryReaderStart> start);
  // A chapter the library lacks, fetched into it and shown when it comes.
  void fetch_and_show(const lv::base::Text& chapter_address);
  void show_text(const lv::base::Text& title, const lv::base::Text& text);
  void chapter_shown();
  void prefetch_after(int chapter);
  void scroll_to(int position);
  void save_position();

  AppContext& ctx_;
  QMenuBar* menu_bar_ = nullptr;
  QWidget* client_ = nullptr;
  QGroupBox* chapter_group_ = nullptr;
  ListBox* chapter_list_ = nullptr;
  ListBox* address_list_ = nullptr;
  QPlainTextEdit* text_view_ = nullptr;
  PartStatusBar* status_bar_ = nullptr;
  QTimer* clock_ = nullptr;
  ColourPanel* background_colour_panel_ = nullptr;
  ColourPanel* text_colour_panel_ = nullptr;
  FontColourDialog* font_dialog_ = nullptr;
  QMenu* title_menu_ = nullptr;
  QMenu* text_menu_ = nullptr;
  QMenu* list_menu_ = nullptr;

  lv::base::Text title_caption_;
  bool closed_ = false;
  // Ends a chapter download still waiting when the reader closes.
  std::stop_source closing_;
  std::string book_;                 // "" for the main window's selected book
  bool from_library_ = false;        // the list and stored chapters come from the library
  lv::base::Text book_title_;        // for a library book's caption
  std::unique_ptr<ReaderLibrary> library_;
  lv::exporting::ChineseScript script_ = lv::exporting::ChineseScript::as_written;
  lv::base::Text shown_title_;       // the chapter's title as the list gives it
  lv::base::Text shown_text_;        // the chapter's text as it came
  // Where the view goes when the chapter's text shows: the saved place or a found word.
  struct PlaceOnShow {
    lv::base::Text chapter_address;
    int position = 0;  // among the view's characters
  };
  std::optional<PlaceOnShow> place_on_show_;
  Task chapter_fetch_;
  Task prefetch_;
  Task chapter_load_;  // last tasks: stopped and joined before the rest goes
};

// Opens a new reader for the selected book, modal to `opener` (the window
// that opens it) and to nothing else; returns when it has been closed, with
// the dialog's result.
int open_reader(AppContext& ctx, QWidget* opener = nullptr,
                std::optional<ReaderWindow::LibraryBook> library_book = std::nullopt);

}  // namespace lv::app
