#include "app/widgets/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "app/widgets/gbk_qstring.h"
#include "base/code_page.h"

namespace lv::app {

void copy_to_clipboard(std::string_view gbk_text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return;
  clipboard->setText(to_qstring(gbk_text), QClipboard::Clipboard);
}

lv::base::Text read_clipboard_text() {
  const QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return {};
  const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
  if (data == nullptr || !data->hasText()) return {};
  // The clipboard's UTF-16 as it stands: the conversion stops at the first
  // zero character and composes a letter with its combining marks.
  const QString text = data->text();
  const auto* units = reinterpret_cast<const char*>(text.utf16());
  return lv::base::wide_to_gbk(lv::base::Bytes::from_string(
      std::string_view(units, static_cast<std::size_t>(text.size()) * sizeof(char16_t))));
}

}  // namespace lv::app
