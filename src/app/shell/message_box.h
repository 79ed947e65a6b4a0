#pragma once
// Message boxes with the definition's styles and results.
#include <optional>
#include <string_view>

#include "base/date_time.h"
#include "base/text.h"

namespace lv::app {

// Style: buttons in the low four bits (0 OK, 1 OK Cancel, 2 Abort Retry
// Ignore, 3 Yes No Cancel, 4 Yes No, 5 Retry Cancel), icon in 0x10..0x40,
// default button in 0x100..0x200. Caption omitted: "信息：".
// Result: OK 0, Cancel 1, Abort 2, Retry 3, Ignore 4, Yes 5, No 6, other 0.
enum MessageBoxResult : int { kOk = 0, kCancel = 1, kAbort = 2, kRetry = 3, kIgnore = 4, kYes = 5, kNo = 6 };

int message_box(std::string_view gbk_text, int style = 0, std::optional<std::string_view> gbk_caption = std::nullopt);
inline int message_box(const char* gbk_text, int style = 0, std::optional<std::string_view> gbk_caption = std::nullopt) {
  return message_box(std::string_view(gbk_text ? gbk_text : ""), style, gbk_caption);
}
int message_box(int value, int style = 0, std::optional<std::string_view> gbk_caption = std::nullopt);
int message_box(double value, int style = 0, std::optional<std::string_view> gbk_caption = std::nullopt);
int message_box(bool value, int style = 0, std::optional<std::string_view> gbk_caption = std::nullopt);
int message_box(const lv::base::DateTime& value, int style = 0,
                std::optional<std::string_view> gbk_caption = std::nullopt);

}  // namespace lv::app
