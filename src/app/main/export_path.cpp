#include "app/main/export_path.h"

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

QString export_refusal_text(lv::exporting::TargetProblem problem, const QString& path) {
  using lv::exporting::TargetProblem;
  QString why;
  switch (problem) {
    case TargetProblem::none: return {};
    case TargetProblem::library: why = QStringLiteral("这是书库文件，导出不能覆盖它"); break;
    case TargetProblem::folder: why = QStringLiteral("这是文件夹"); break;
    case TargetProblem::device: why = QStringLiteral("这是设备，不是文件"); break;
    case TargetProblem::fifo: why = QStringLiteral("这是管道（FIFO），不是文件"); break;
    case TargetProblem::socket: why = QStringLiteral("这是套接字，不是文件"); break;
    case TargetProblem::dangling_link: why = QStringLiteral("这是指向不存在的文件的符号链接"); break;
  }
  return QStringLiteral("不能导出到 ") + path + QStringLiteral("：") + why + QStringLiteral("。未写入任何文件。");
}

}  // namespace lv::app
