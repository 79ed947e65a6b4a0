#pragma once
// Where an export goes: the save dialog with the EPUB and TXT filters.
#include <QString>

class QWidget;

namespace lv::app {

// The chosen path ("" when the user cancels), with the filter's extension
// added when the name has none; `epub` says which format was chosen.
QString ask_export_path(QWidget* parent, const QString& suggested, bool* epub);

}  // namespace lv::app
