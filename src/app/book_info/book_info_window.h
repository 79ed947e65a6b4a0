#pragma once
// The book information window: the selected book's cover, title, author,
// category, status and synopsis. Created hidden at start-up and kept for the
// whole run; a close request hides it and empties it instead of closing it.
#include <QWidget>

#include "base/text.h"
#include "routines/book_info.h"

class QLabel;
class QPushButton;

namespace lv::app {

struct AppContext;
class PictureBox;
class SynopsisLabel;

class BookInfoWindow : public QWidget {
  Q_OBJECT

 public:
  explicit BookInfoWindow(AppContext& context, QWidget* parent = nullptr);

  // Shows the window, loads the selected book's page (page fetch or page
  // download) and fills the window, the cover before the synopsis. Runs on
  // the window thread; events keep running while it waits, so calls may nest,
  // and the one that finishes last leaves its values.
  void show_book_info();
  void refresh_book_info();

  // Brings the window to the front when it is shown; a hidden one stays hidden.
  void bring_to_front();

  // Shows the synopsis (the caption of 标签5) in a message box.
  void show_full_synopsis();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void load(lv::routines::PageLoader loader);
  void read_this_book();
  void open_home_page();
  void clear_contents();
  void fit_outer_size();
  void set_caption(QLabel* label, const lv::base::Text& gbk_text);

  AppContext& context_;
  PictureBox* cover_ = nullptr;
  QLabel* title_label_ = nullptr;
  QLabel* author_label_ = nullptr;
  QLabel* category_label_ = nullptr;
  QLabel* status_label_ = nullptr;
  SynopsisLabel* synopsis_label_ = nullptr;
  QLabel* more_label_ = nullptr;
  QPushButton* read_button_ = nullptr;
  QPushButton* home_button_ = nullptr;
  QPushButton* refresh_button_ = nullptr;
  QPushButton* close_button_ = nullptr;
  // The synopsis exactly as written, so the full view shows its bytes.
  lv::base::Text synopsis_;
};

}  // namespace lv::app
