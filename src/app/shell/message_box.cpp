#include "app/shell/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "app/widgets/gbk_qstring.h"
#include "base/code_page.h"
#include "base/convert.h"

namespace lv::app {

namespace {

struct ButtonSpec {
  QMessageBox::StandardButton button;
  int result;
};

std::vector<ButtonSpec> buttons_for(int style) {
  switch (style & 0x0F) {
    case 1: return {{QMessageBox::Ok, kOk}, {QMessageBox::Cancel, kCancel}};
    case 2: return {{QMessageBox::Abort, kAbort}, {QMessageBox::Retry, kRetry}, {QMessageBox::Ignore, kIgnore}};
    case 3: return {{QMessageBox::Yes, kYes}, {QMessageBox::No, kNo}, {QMessageBox::Cancel, kCancel}};
    case 4: return {{QMessageBox::Yes, kYes}, {QMessageBox::No, kNo}};
    case 5: return {{QMessageBox::Retry, kRetry}, {QMessageBox::Cancel, kCancel}};
    default: return {{QMessageBox::Ok, kOk}};
  }
}

QMessageBox::Icon icon_for(int style) {
  switch (style & 0xF0) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace

int message_box(std::string_view gbk_text, int style, std::optional<std::string_view> gbk_caption) {
  static const lv::base::Text default_caption = lv::base::gbk("信息：");
  QMessageBox box(icon_for(style), to_qstring(gbk_caption.value_or(default_caption)), to_qstring(gbk_text));
  box.setWindowModality(Qt::ApplicationModal);
  const std::vector<ButtonSpec> specs = buttons_for(style);
  std::vector<std::pair<QAbstractButton*, int>> results;
  for (const ButtonSpec& spec : specs) results.emplace_back(box.addButton(spec.button), spec.result);
  const std::size_t default_index = static_cast<std::size_t>((style & 0xF00) >> 8);
  if (default_index < results.size()) {
    box.setDefaultButton(static_cast<QPushButton*>(results[default_index].first));
  }
  // A box with a single button closes with that button's result; one with
  // Cancel closes with Cancel.
  if (results.size() == 1) box.setEscapeButton(results.front().first);
  box.exec();
  const QAbstractButton* clicked = box.clickedButton();
  for (const auto& [button, result] : results) {
    if (button == clicked) return result;
  }
  return kOk;
}

int message_box(int value, int style, std::optional<std::string_view> gbk_caption) {
  return message_box(std::string_view(lv::base::to_text(value)), style, gbk_caption);
}

int message_box(double value, int style, std::optional<std::string_view> gbk_caption) {
  return message_box(std::string_view(lv::base::to_text(value)), style, gbk_caption);
}

int message_box(bool value, int style, std::optional<std::string_view> gbk_caption) {
  return message_box(std::string_view(lv::base::to_text(value)), style, gbk_caption);
}

int message_box(const lv::base::DateTime& value, int style, std::optional<std::string_view> gbk_caption) {
  return message_box(std::string_view(lv::base::to_text(value)), style, gbk_caption);
}


}  // namespace lv::app
