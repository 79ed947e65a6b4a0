#pragma once
// The places of a book's stored chapters that hold a text, listed as the
// search finds them; picking one (Enter or double-click) says which. The
// search is the window's own task: closing the window ends it.
#include <QDialog>
#include <cstddef>
#include <string>

#include "app/shell/task.h"
#include "base/text.h"

class QListWidget;

namespace lv::app {

class FindResults final : public QDialog {
  Q_OBJECT

 public:
  FindResults(std::string library_path, std::string book, lv::base::Text sought, QWidget* parent = nullptr);

  QListWidget& list() const { return *list_; }
  bool searching() const { return searching_; }

 signals:
  void picked(int chapter, std::size_t text_offset);

 private:
  QListWidget* list_ = nullptr;
  bool searching_ = true;
  Task search_;  // last: stopped and joined before the list goes
};

}  // namespace lv::app
