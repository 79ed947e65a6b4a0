#pragma once
// A list box whose selection can be written without raising the event that
// the user's own selection changes raise.
#include <QListWidget>
#include <string_view>

#include "base/text.h"

namespace lv::app {

class ListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit ListBox(QWidget* parent = nullptr);

  // Index of the selected item, -1 for none.
  int selection() const;
  // Above the last index selects the last item; -1 or below clears the
  // selection. Raises no user_selection_changed.
  void set_selection(int index);

  // Appends an item and returns its index (-1 when it could not be added).
  int add_item(std::string_view gbk_text, int item_data = 0);
  // "" for an index out of range.
  lv::base::Text item_text(int index) const;
  // Shows the item as another text (a conversion of it); item_text still
  // gives what was added.
  void show_item_as(int index, std::string_view gbk_text);
  int item_data(int index) const;

 signals:
  // Only for changes the user made with the mouse or the keyboard.
  void user_selection_changed(int index);

 private:
  bool writing_selection_ = false;
};

}  // namespace lv::app
