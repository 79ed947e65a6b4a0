#pragma once
// The library's problems as the windows say them: in Chinese, naming the file.
#include <QString>

#include "library/library.h"

class QMessageBox;
class QWidget;

namespace lv::app {

QString library_problem_text(const lv::library::LibraryError& error);

// Says the problem in a message box that does not block (the program goes
// on); returns the box, which deletes itself when closed.
QMessageBox* show_library_problem(QWidget* parent, const QString& text);

}  // namespace lv::app
