#include "app/reader/reader_layout.h"

#include <algorithm>

namespace lv::app {

ReaderLayout reader_layout(int width, int client_height) {
  ReaderLayout layout;
  layout.part_width = width / 5;
  // 15 % of the width: the product is cut first, then divided.
  layout.group_width = static_cast<int>(width * 1.5) / 10;
  layout.list_width = layout.group_width - 10;
  layout.text_left = layout.group_width + 5;
  layout.text_width = width - layout.group_width - 20;
  // The heights the rule gives for the whole window (H - 80, H - 88) leave a
  // band above the status bar once the menu bar and the status bar take their
  // share; both columns reach down to the status bar instead.
  layout.group_height = std::max(client_height, 0);
  layout.text_height = layout.group_height;
  return layout;
}

}  // namespace lv::app
