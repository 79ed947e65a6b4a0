#pragma once
// Where an export goes: the save dialog with the EPUB and TXT filters,
// opening in the folder the last export went to.
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "export/export_target.h"

class QWidget;

namespace lv::app {

// The chosen path ("" when the user cancels), with the filter's extension
// added when the name has none; `epub` says which format was chosen. The
// dialog opens in the folder of the last path chosen, which is kept in the
// settings.
QString ask_export_path(QWidget* parent, const QString& suggested, bool* epub);

// The folder the save dialog opens in: the last one chosen, or "" for none yet.
QString last_export_folder();

// Why nothing is written to `path`, as the windows say it.
QString export_refusal_text(lv::exporting::TargetProblem problem, const QString& path);

// What asks for the export's file: the suggested name in, the chosen path
// out ("" for none) with whether it is EPUB. Tests put their own in place
// of the save dialog.
using SaveChooser = std::function<QString(const QString& suggested, bool* epub)>;

struct ExportChoice {
  std::string path;
  bool epub = true;
};

// Asks for the file an export of the book titled `title` goes to (through
// `chooser`, or the save dialog when it is empty) and refuses, in a message,
// a path the export must not write (the library, a folder, a device...).
// None when the user cancelled or the path was refused.
std::optional<ExportChoice> choose_export_file(QWidget* parent, const QString& title, const std::string& library_path,
                                               const SaveChooser& chooser);

}  // namespace lv::app
