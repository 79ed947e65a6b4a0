#pragma once
// The reader's size rule: where the chapter list and the text view go for a
// given size, and the smallest size the reader accepts.
namespace lv::app {

struct ReaderLayout {
  int part_width = 0;     // status bar parts 0 to 2
  int group_width = 0;    // 分组框1
  int group_height = 0;
  int list_width = 0;     // 列表框1; its height is what the group box holds
  int text_left = 0;      // 编辑框1
  int text_width = 0;
  int text_height = 0;
};

inline constexpr int kReaderMinWidth = 700;
inline constexpr int kReaderMinHeight = 600;

// `width` is the window's width; `client_height` the height between the menu
// bar and the status bar, which the group box and the text view fill. Every
// division is cut toward zero.
ReaderLayout reader_layout(int width, int client_height);

// True when the reader must grow back to its smallest size (both dimensions).
inline bool reader_too_small(int width, int height) {
  return width < kReaderMinWidth || height < kReaderMinHeight;
}

}  // namespace lv::app
