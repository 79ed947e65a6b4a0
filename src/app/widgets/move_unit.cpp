#include "app/widgets/move_unit.h"

#include <algorithm>

namespace lv::app {

namespace {
// The largest width or height a unit takes.
constexpr int kMaxExtent = 32627;
}  // namespace

void move_unit(QWidget& unit, std::optional<int> left, std::optional<int> top, std::optional<int> width,
               std::optional<int> height) {
  const QRect before = unit.geometry();
  QRect after = before;
  if (left) after.moveLeft(*left);
  if (top) after.moveTop(*top);
  if (width && *width != -1) after.setWidth(std::clamp(*width, 0, kMaxExtent));
  if (height && *height != -1) after.setHeight(std::clamp(*height, 0, kMaxExtent));
  if (after == before) return;
  unit.setGeometry(after);
  unit.update();
}

}  // namespace lv::app
