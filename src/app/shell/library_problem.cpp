#include "app/shell/library_problem.h"

#include <QMessageBox>

namespace lv::app {

QString library_problem_text(const lv::library::LibraryError& error) {
  using lv::library::LibraryProblem;
  const QString file = QString::fromStdString(error.path);
  switch (error.problem) {
    case LibraryProblem::not_a_library:
      return QStringLiteral("%1 不是 Lorevane 的书库文件。").arg(file);
    case LibraryProblem::damaged:
      return QStringLiteral("书库文件 %1 已损坏。").arg(file);
    case LibraryProblem::newer_version:
      return QStringLiteral("书库文件 %1 来自更新版本的 Lorevane，本版本不能使用。").arg(file);
    case LibraryProblem::not_a_file:
      return QStringLiteral("%1 不是普通文件（是文件夹、设备、管道或指向不存在文件的链接），不能用作书库。").arg(file);
    case LibraryProblem::no_access:
      return QStringLiteral("无权读写书库文件 %1（文件或所在文件夹只读）。").arg(file);
    case LibraryProblem::disk_full:
      return QStringLiteral("磁盘已满，书库文件 %1 写不进去。").arg(file);
    case LibraryProblem::in_use:
      return QStringLiteral("书库文件 %1 正被另一个程序占用。").arg(file);
    case LibraryProblem::io_error:
      return QStringLiteral("读写书库文件 %1 时出错（磁盘故障或空间不足）。").arg(file);
    case LibraryProblem::unknown_entry:
    case LibraryProblem::other:
      break;
  }
  return QStringLiteral("书库文件 %1 出错。").arg(file);
}

QMessageBox* show_library_problem(QWidget* parent, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("书库"), text, QMessageBox::Ok, parent);
  box->setObjectName(QStringLiteral("书库问题"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  return box;
}

}  // namespace lv::app
