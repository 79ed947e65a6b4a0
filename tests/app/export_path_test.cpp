// The save dialog of an export opens in the folder the last export went to.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

#include "app/main/export_path.h"
#include "library/library.h"

namespace lv::app {
namespace {

// Runs the save dialog, noting the folder it opened in and choosing `chosen` ("" cancels).
QString ask_noting_folder(const QString& chosen, QString* folder) {
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    *folder = dialog->directory().absolutePath();
    if (chosen.isEmpty()) {
      dialog->reject();
      return;
    }
    dialog->selectFile(chosen);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it, QDialog does not
  });
  bool epub = false;
  return ask_export_path(nullptr, QStringLiteral("书.epub"), &epub);
}

TEST(ExportPath, SaveDialogOpensInTheFolderUsedLast) {
  const QString base = QString::fromStdString(lv::library::default_library_path()) + QStringLiteral("-exports");
  const QString first = base + QStringLiteral("/first");
  const QString second = base + QStringLiteral("/second");
  ASSERT_TRUE(QDir().mkpath(first));
  ASSERT_TRUE(QDir().mkpath(second));
  QString folder;
  EXPECT_EQ(ask_noting_folder(first + QStringLiteral("/a.epub"), &folder), first + QStringLiteral("/a.epub"));
  EXPECT_EQ(ask_noting_folder(second + QStringLiteral("/b.txt"), &folder), second + QStringLiteral("/b.txt"));
  EXPECT_EQ(folder, first);
  EXPECT_EQ(ask_noting_folder(QString(), &folder), QString());  // cancelled: the folder stays
  EXPECT_EQ(folder, second);
  EXPECT_EQ(ask_noting_folder(QString(), &folder), QString());
  EXPECT_EQ(folder, second);
  EXPECT_EQ(last_export_folder(), second);
  std::filesystem::remove_all(base.toStdString());
  EXPECT_EQ(last_export_folder(), QString());  // gone: no place to start from
}

}  // namespace
}  // namespace lv::app
