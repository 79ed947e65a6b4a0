// The runtime-error stop shows a critical box and ends the program with -1.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

#include "app/shell/runtime_error_box.h"
#include "base/program_end.h"

namespace lv::app {
namespace {

// Closes the box once it is up and writes what it showed to standard error.
void close_box_and_report() {
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, [poll] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    poll->stop();
    const bool critical = box->icon() == QMessageBox::Critical;
    std::fprintf(stderr, "box critical=%d title=%s\n", critical ? 1 : 0, box->windowTitle().toUtf8().constData());
    std::fprintf(stderr, "text=%s\n", box->text().simplified().toUtf8().constData());
    box->button(QMessageBox::Ok)->click();
  });
  poll->start(5);
}

TEST(RuntimeErrorBoxDeathTest, ShowsTheCodeAndEndsWithMinusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        install_runtime_error_presenter();
        close_box_and_report();
        lv::base::report_runtime_error(1);
      },
      ::testing::ExitedWithCode(255), "box critical=1 title=错误\ntext=运行时出错! 错误代码：1 错误信息：数组成员引用下标超出定义范围");
}

TEST(RuntimeErrorBoxDeathTest, AWorkersFailureIsShownOnTheWindowThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        install_runtime_error_presenter();
        close_box_and_report();
        std::thread([] { lv::base::report_runtime_error(5); }).detach();
        QApplication::exec();
      },
      ::testing::ExitedWithCode(255), "box critical=1 title=错误\ntext=.*错误代码：5");
}

}  // namespace
}  // namespace lv::app
