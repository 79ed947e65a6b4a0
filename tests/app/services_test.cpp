#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include "app/widgets/gbk_qstring.h"
#include "app/shell/browser.h"
#include "app/shell/message_box.h"
#include "app/shell/visual_style.h"
#include "app/widgets/clipboard.h"
#include "app/widgets/keys.h"
#include "base/code_page.h"

namespace lv::app {
namespace {

// --- message boxes -----------------------------------------------------------

// Presses `button` of the message box once it is up; records its title.
void answer_box(QMessageBox::StandardButton button, QString* title = nullptr, QString* text = nullptr) {
  QTimer::singleShot(0, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    if (title != nullptr) *title = box->windowTitle();
    if (text != nullptr) *text = box->text();
    if (button == QMessageBox::NoButton) {
      box->close();  // the close box
    } else {
      ASSERT_NE(box->button(button), nullptr);
      box->button(button)->click();
    }
  });
}

TEST(MessageBoxTest, DefaultCaptionAndOk) {
  QString title;
  QString text;
  answer_box(QMessageBox::Ok, &title, &text);
  EXPECT_EQ(message_box(lv::base::gbk("简介全文")), kOk);
  EXPECT_EQ(title, QStringLiteral("信息："));
  EXPECT_EQ(text, QStringLiteral("简介全文"));
}

TEST(MessageBoxTest, ClosingAnOkBoxGivesOk) {
  answer_box(QMessageBox::NoButton);
  EXPECT_EQ(message_box("x", 0), kOk);
}

TEST(MessageBoxTest, ButtonSetsMapToTheirResults) {
  answer_box(QMessageBox::No);
  EXPECT_EQ(message_box("x", 4), kNo);
  answer_box(QMessageBox::Yes);
  EXPECT_EQ(message_box("x", 3), kYes);
  answer_box(QMessageBox::NoButton);
  EXPECT_EQ(message_box("x", 1), kCancel);
  answer_box(QMessageBox::Retry);
  EXPECT_EQ(message_box("x", 5), kRetry);
  answer_box(QMessageBox::Ignore);
  EXPECT_EQ(message_box("x", 2), kIgnore);
}

TEST(MessageBoxTest, ValuesAreShownAsText) {
  QString title;
  QString text;
  answer_box(QMessageBox::Ok, &title, &text);
  message_box(42, 0, lv::base::gbk("错误"));
  EXPECT_EQ(text, QStringLiteral("42"));
  EXPECT_EQ(title, QStringLiteral("错误"));
  answer_box(QMessageBox::Ok, nullptr, &text);
  message_box(true);
  EXPECT_EQ(text, QStringLiteral("真"));
}

// --- browser -----------------------------------------------------------------

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = set_browser_opener([this](const QUrl& url) {
      opened.push_back(url.toString());
      return true;
    });
  }
  void TearDown() override { set_browser_opener(std::move(previous_)); }
  std::vector<QString> opened;

 private:
  BrowserOpener previous_;
};

TEST_F(BrowserTest, WebAddressesAreHandedOver) {
  EXPECT_TRUE(open_in_browser("http://127.0.0.1:8080/book/1/1234/"));
  EXPECT_TRUE(open_in_browser("HTTPS://example.org/a"));
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], QStringLiteral("http://127.0.0.1:8080/book/1/1234/"));
}

TEST_F(BrowserTest, AnythingElseIsNotOpened) {
  for (const char* target : {"", "file:///etc/passwd", "/usr/bin/xterm", "javascript:alert(1)", "http://",
                             "ftp://example.org/", "calc.exe", "http//broken", "mailto:a@b.c"}) {
    EXPECT_FALSE(open_in_browser(target)) << target;
  }
  EXPECT_TRUE(opened.empty());
}

// --- keys --------------------------------------------------------------------

struct KeyRecorder : QObject {
  std::vector<std::pair<QEvent::Type, int>> events;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
      events.emplace_back(event->type(), static_cast<QKeyEvent*>(event)->key());
    }
    return false;
  }
};

class PressKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(300, 200);
    edit->setGeometry(0, 0, 300, 200);
    window.show();
    QApplication::setActiveWindow(&window);
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == edit; }));
  }
  QWidget window;
  QPlainTextEdit* edit = new QPlainTextEdit(&window);
};

TEST_F(PressKeysTest, DownsThenUpsInTheSameOrder) {
  KeyRecorder recorder;
  edit->installEventFilter(&recorder);
  press_keys(0x10, "b", 0x25);  // Shift, B, Left
  const std::vector<std::pair<QEvent::Type, int>> expected{
      {QEvent::KeyPress, Qt::Key_Shift},   {QEvent::KeyPress, Qt::Key_B},   {QEvent::KeyPress, Qt::Key_Left},
      {QEvent::KeyRelease, Qt::Key_Shift}, {QEvent::KeyRelease, Qt::Key_B}, {QEvent::KeyRelease, Qt::Key_Left}};
  EXPECT_EQ(recorder.events, expected);
}

TEST_F(PressKeysTest, OmittedKeysAreLeftOut) {
  KeyRecorder recorder;
  edit->installEventFilter(&recorder);
  press_keys(46);
  const std::vector<std::pair<QEvent::Type, int>> expected{{QEvent::KeyPress, Qt::Key_Delete},
                                                           {QEvent::KeyRelease, Qt::Key_Delete}};
  EXPECT_EQ(recorder.events, expected);
}

TEST_F(PressKeysTest, BackspaceDeletesTheSelection) {
  edit->setPlainText(QStringLiteral("abcdef"));
  QTextCursor cursor = edit->textCursor();
  cursor.setPosition(1);
  cursor.setPosition(4, QTextCursor::KeepAnchor);
  edit->setTextCursor(cursor);
  press_keys(8);
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("aef"));
  press_keys(8);
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("ef"));
  press_keys("x", "y");
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("xyef"));
}

// --- clipboard ---------------------------------------------------------------

TEST(ClipboardTest, GbkTextComesBackUnchanged) {
  const std::string title = lv::base::gbk("第十二章 剑破仙惊（上）");
  copy_to_clipboard(title);
  if (QApplication::clipboard()->text().isEmpty()) GTEST_SKIP() << "no clipboard on this platform";
  EXPECT_EQ(read_clipboard_text(), title);
  copy_to_clipboard("");
  EXPECT_EQ(read_clipboard_text(), "");
}

TEST(ClipboardTest, NoTextGivesTheEmptyText) {
  auto* image_only = new QMimeData;
  image_only->setImageData(QImage(4, 4, QImage::Format_RGB32));
  QApplication::clipboard()->setMimeData(image_only);
  EXPECT_EQ(read_clipboard_text(), "");
}

TEST(ClipboardTest, TextStopsAtItsFirstZeroAndUnmappableCharactersAreReplaced) {
  QApplication::clipboard()->setText(QStringLiteral("abc") + QChar(u'\0') + QStringLiteral("def"));
  if (QApplication::clipboard()->text().isEmpty()) GTEST_SKIP() << "no clipboard on this platform";
  EXPECT_EQ(read_clipboard_text(), "abc");
  QApplication::clipboard()->setText(QStringLiteral("书") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("a"));
  const std::string back = read_clipboard_text();
  EXPECT_EQ(back.substr(0, 2), lv::base::gbk("书"));
  EXPECT_EQ(back.back(), 'a');
  EXPECT_EQ(back.find('\0'), std::string::npos);
  // A letter and its combining mark paste as the one GBK character they make.
  QApplication::clipboard()->setText(QStringLiteral("a") + QChar(0x0304) + QStringLiteral("u") + QChar(0x0308) +
                                     QChar(0x0304));
  EXPECT_EQ(read_clipboard_text(), "\xA8\xA1\xA8\xB5");  // ā ǖ
}

// --- flat style --------------------------------------------------------------

QRgb corner_of(QWidget& widget) { return widget.grab().toImage().pixel(0, 0) & 0xFFFFFF; }

class VisualStyleTest : public ::testing::Test {
 protected:
  void TearDown() override { set_visual_style(0); }
};

TEST_F(VisualStyleTest, FramesTakeTheStyleColour) {
  QLineEdit edit;
  edit.resize(120, 22);
  QPushButton button(QStringLiteral("搜索"));
  button.resize(72, 24);
  QTreeView view;
  view.resize(100, 80);
  ASSERT_TRUE(set_visual_style(1));
  EXPECT_EQ(corner_of(edit), 0x7B9EBDu);
  EXPECT_EQ(corner_of(button), 0x7B9EBDu);
  EXPECT_EQ(corner_of(view), 0x7B9EBDu);
  set_visual_style(3);
  EXPECT_EQ(corner_of(button), 0xC6C5D7u);
  QLineEdit later;  // made after the style was switched on
  later.resize(100, 22);
  EXPECT_EQ(corner_of(later), 0xC6C5D7u);
}

TEST_F(VisualStyleTest, OtherValuesRemoveIt) {
  QLineEdit edit;
  edit.resize(120, 22);
  set_visual_style(2);
  EXPECT_EQ(corner_of(edit), 0xA4B97Fu);
  set_visual_style(7);
  EXPECT_EQ(visual_style(), 0);
  EXPECT_NE(corner_of(edit), 0xA4B97Fu);
}

}  // namespace
}  // namespace lv::app
