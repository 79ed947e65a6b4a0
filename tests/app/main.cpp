// The window tests run under one application object on the offscreen platform.
#include <QApplication>
#include <gtest/gtest.h>

#include "app/ui_thread.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  QApplication app(argc, argv);
  lv::app::install_ui_event_pump();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
