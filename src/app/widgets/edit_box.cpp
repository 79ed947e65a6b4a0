#include "app/widgets/edit_box.h"

#include <QScrollBar>
#include <QTextCursor>

#include "app/widgets/gbk_qstring.h"

namespace lv::app {

QString to_editor_text(std::string_view gbk) {
  QString text = to_qstring(gbk);
  // The editor would take CR and LF as two line breaks.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

lv::base::Text from_editor_text(const QString& text) {
  QString out = text;
  // Selections report line breaks as paragraph separators.
  out.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  out.replace(QChar::LineSeparator, QLatin1Char('\n'));
  out.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return to_gbk(out);
}

void set_edit_content(QPlainTextEdit& edit, std::string_view gbk) { edit.setPlainText(to_editor_text(gbk)); }

void set_edit_content(QLineEdit& edit, std::string_view gbk) { edit.setText(to_qstring(gbk)); }

lv::base::Text edit_content(const QPlainTextEdit& edit) { return from_editor_text(edit.toPlainText()); }

lv::base::Text edit_content(const QLineEdit& edit) { return to_gbk(edit.text()); }

lv::base::Text selected_text(const QPlainTextEdit& edit) {
  return from_editor_text(edit.textCursor().selectedText());
}

lv::base::Text selected_text(const QLineEdit& edit) { return to_gbk(edit.selectedText()); }

void edit_append(QPlainTextEdit& edit, std::initializer_list<std::string_view> gbk_texts) {
  for (std::string_view text : gbk_texts) {
    QTextCursor cursor = edit.textCursor();
    cursor.movePosition(QTextCursor::End, QTextCursor::MoveAnchor);
    edit.setTextCursor(cursor);
    edit.ensureCursorVisible();
    edit.insertPlainText(to_editor_text(text));
  }
  edit.ensureCursorVisible();
}

}  // namespace lv::app
