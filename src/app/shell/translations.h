#pragma once
// The program speaks Chinese: the toolkit's own dialogs and buttons (the font
// and colour dialogs, message boxes, file dialogs) are shown in Chinese,
// whatever the system's locale.
class QCoreApplication;

namespace lv::app {

// Loads the toolkit's Simplified Chinese translation into the application;
// false when it is not installed (the dialogs then stay in English).
bool install_chinese_translation(QCoreApplication& app);

}  // namespace lv::app
