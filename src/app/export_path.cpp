#include "app/export_path.h"

#include <QFileDialog>
#include <QFileInfo>

namespace lv::app {

QString ask_export_path(QWidget* parent, const QString& suggested, bool* epub) {
  const QString epub_filter = QStringLiteral("EPUB 电子书 (*.epub)");
  const QString txt_filter = QStringLiteral("文本文件 (*.txt)");
  QString chosen_filter = epub_filter;
  QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("导出"), suggested,
                                              epub_filter + QStringLiteral(";;") + txt_filter, &chosen_filter);
  if (path.isEmpty()) return path;
  const QString suffix = QFileInfo(path).suffix().toLower();
  const bool is_epub = suffix == QStringLiteral("epub") || (suffix != QStringLiteral("txt") && chosen_filter == epub_filter);
  if (suffix.isEmpty()) path += is_epub ? QStringLiteral(".epub") : QStringLiteral(".txt");
  if (epub != nullptr) *epub = is_epub;
  return path;
}

}  // namespace lv::app
