#include "app/widgets/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "app/widgets/gbk_qstring.h"

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
  QString text = data->text();
  // A clipboard text ends at its first zero character.
  const qsizetype zero = text.indexOf(QChar(u'\0'));
  if (zero >= 0) text.truncate(zero);
  return to_gbk(text);
}

}  // namespace lv::app
