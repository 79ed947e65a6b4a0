#pragma once
// Where an export goes: the save dialog with the EPUB and TXT filters.
#include <QString>

#include "export/export_target.h"

class QWidget;

namespace lv::app {

// The chosen path ("" when the user cancels), with the filter's extension
// added when the name has none; `epub` says which format was chosen.
QString ask_export_path(QWidget* parent, const QString& suggested, bool* epub);

// Why nothing is written to `path`, as the windows say it.
QString export_refusal_text(lv::exporting::TargetProblem problem, const QString& path);

}  // namespace lv::app
