#include "app/main/export_path.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

#include "app/reader/reader_settings.h"
#include "app/shell/message_box.h"
#include "app/widgets/gbk_qstring.h"

namespace lv::app {

namespace {

const QString kFolderKey = QStringLiteral("export/folder");

void remember_export_folder(const QString& path) {
  QSettings settings(reader_settings_path(), QSettings::IniFormat);
  settings.setValue(kFolderKey, QFileInfo(path).absolutePath());
}

}  // namespace

QString last_export_folder() {
  const QSettings settings(reader_settings_path(), QSettings::IniFormat);
  const QString folder = settings.value(kFolderKey).toString();
  // A folder since removed is no place to start from.
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

QString ask_export_path(QWidget* parent, const QString& suggested, bool* epub) {
  const QString epub_filter = QStringLiteral("EPUB 电子书 (*.epub)");
  const QString txt_filter = QStringLiteral("文本文件 (*.txt)");
  QString chosen_filter = epub_filter;
  const QString folder = last_export_folder();
  const QString start = folder.isEmpty() ? suggested : QDir(folder).filePath(suggested);
  QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("导出"), start,
                                              epub_filter + QStringLiteral(";;") + txt_filter, &chosen_filter);
  if (path.isEmpty()) return path;
  const QString suffix = QFileInfo(path).suffix().toLower();
  const bool is_epub = suffix == QStringLiteral("epub") || (suffix != QStringLiteral("txt") && chosen_filter == epub_filter);
  if (suffix.isEmpty()) path += is_epub ? QStringLiteral(".epub") : QStringLiteral(".txt");
  if (epub != nullptr) *epub = is_epub;
  remember_export_folder(path);
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

std::optional<ExportChoice> choose_export_file(QWidget* parent, const QString& title, const std::string& library_path,
                                               const SaveChooser& chooser) {
  const QString suggested = title + QStringLiteral(".epub");
  bool epub = true;
  const QString path = chooser ? chooser(suggested, &epub) : ask_export_path(parent, suggested, &epub);
  if (path.isEmpty()) return std::nullopt;
  // Refused before the download starts; the writer refuses the same again.
  const auto problem = lv::exporting::target_problem(path.toStdString(), library_path);
  if (problem != lv::exporting::TargetProblem::none) {
    message_box(to_gbk(export_refusal_text(problem, path)), 0x30);
    return std::nullopt;
  }
  return ExportChoice{path.toStdString(), epub};
}

}  // namespace lv::app
