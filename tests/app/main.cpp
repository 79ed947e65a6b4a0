// The window tests run under one application object on the offscreen platform.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/shell/event_pump.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  // Each test process keeps its settings, rules and library in a folder of
  // its own, never the user's, and never one another test process writes to.
  std::string home = (std::filesystem::temp_directory_path() / "lorevane-app-tests-XXXXXX").string();
  if (::mkdtemp(home.data()) == nullptr) return 1;
  ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
  int result = 0;
  {
    QApplication app(argc, argv);
    lv::app::install_ui_event_pump();
    ::testing::InitGoogleTest(&argc, argv);
    result = RUN_ALL_TESTS();
  }
  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  return result;
}
