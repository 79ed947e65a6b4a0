#include "app/widgets/popup_menu.h"

#include <QCursor>

namespace lv::app {

void popup_menu(QWidget& /*window*/, QMenu& menu, std::optional<QPoint> at) {
  const QPoint where = at ? *at : QCursor::pos() + QPoint(3, 3);
  // exec() runs the nested loop and triggers the chosen action itself.
  menu.exec(where);
}

}  // namespace lv::app
