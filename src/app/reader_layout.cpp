#include "app/reader_layout.h"

namespace lv::app {

ReaderLayout reader_layout(int width, int height) {
  ReaderLayout layout;
  layout.part_width = width / 5;
  // 15 % of the width: the product is cut first, then divided.
  layout.group_width = static_cast<int>(width * 1.5) / 10;
  layout.group_height = height - 80;
  layout.list_width = layout.group_width - 10;
  layout.list_height = height - 100;
  layout.text_left = layout.group_width + 5;
  layout.text_width = width - layout.group_width - 20;
  layout.text_height = height - 88;
  return layout;
}

}  // namespace lv::app
