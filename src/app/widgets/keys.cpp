#include "app/widgets/keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <array>


namespace lv::app {

namespace {

// Virtual-key codes of the keys the program and its tests use.
constexpr int kVkBack = 0x08, kVkTab = 0x09, kVkReturn = 0x0D, kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12,
              kVkEscape = 0x1B, kVkSpace = 0x20, kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24,
              kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28, kVkInsert = 0x2D, kVkDelete = 0x2E,
              kVkNumpad0 = 0x60, kVkF1 = 0x70;

struct QtKey {
  int key = 0;
  Qt::KeyboardModifiers extra = Qt::NoModifier;
};

QtKey qt_key_of(int vk) {
  switch (vk) {
    case kVkBack: return {Qt::Key_Backspace};
    case kVkTab: return {Qt::Key_Tab};
    case kVkReturn: return {Qt::Key_Return};
    case kVkShift: return {Qt::Key_Shift};
    case kVkControl: return {Qt::Key_Control};
    case kVkMenu: return {Qt::Key_Alt};
    case kVkEscape: return {Qt::Key_Escape};
    case kVkSpace: return {Qt::Key_Space};
    case kVkPrior: return {Qt::Key_PageUp};
    case kVkNext: return {Qt::Key_PageDown};
    case kVkEnd: return {Qt::Key_End};
    case kVkHome: return {Qt::Key_Home};
    case kVkLeft: return {Qt::Key_Left};
    case kVkUp: return {Qt::Key_Up};
    case kVkRight: return {Qt::Key_Right};
    case kVkDown: return {Qt::Key_Down};
    case kVkInsert: return {Qt::Key_Insert};
    case kVkDelete: return {Qt::Key_Delete};
    default: break;
  }
  if (vk >= '0' && vk <= '9') return {Qt::Key_0 + (vk - '0')};
  if (vk >= 'A' && vk <= 'Z') return {Qt::Key_A + (vk - 'A')};
  if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9) return {Qt::Key_0 + (vk - kVkNumpad0), Qt::KeypadModifier};
  if (vk >= kVkF1 && vk < kVkF1 + 12) return {Qt::Key_F1 + (vk - kVkF1)};
  return {};
}

Qt::KeyboardModifier modifier_of(int qt_key) {
  switch (qt_key) {
    case Qt::Key_Shift: return Qt::ShiftModifier;
    case Qt::Key_Control: return Qt::ControlModifier;
    case Qt::Key_Alt: return Qt::AltModifier;
    default: return Qt::NoModifier;
  }
}

QString text_of(const QtKey& key, Qt::KeyboardModifiers held) {
  if (held & (Qt::ControlModifier | Qt::AltModifier)) return {};
  const bool shift = held.testFlag(Qt::ShiftModifier);
  if (key.key >= Qt::Key_A && key.key <= Qt::Key_Z) {
    const QChar letter(static_cast<char16_t>((shift ? u'A' : u'a') + (key.key - Qt::Key_A)));
    return QString(letter);
  }
  if (key.key >= Qt::Key_0 && key.key <= Qt::Key_9 && !shift) {
    return QString(QChar(static_cast<char16_t>(u'0' + (key.key - Qt::Key_0))));
  }
  switch (key.key) {
    case Qt::Key_Space: return QStringLiteral(" ");
    case Qt::Key_Backspace: return QStringLiteral("\b");
    case Qt::Key_Tab: return QStringLiteral("\t");
    case Qt::Key_Return: return QStringLiteral("\r");
    case Qt::Key_Escape: return QString(QChar(0x1B));
    case Qt::Key_Delete: return QString(QChar(0x7F));
    default: return {};
  }
}

}  // namespace

KeyArg::KeyArg(std::string_view text) {
  if (text.empty()) return;
  // The key that types the first character on a US layout.
  const auto c = static_cast<unsigned char>(text.front());
  if (c >= 'a' && c <= 'z') {
    code = c - 'a' + 'A';
  } else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '\b' || c == '\t' || c == '\r' ||
             c == 0x1B) {
    code = c;
  }
}

void press_keys(KeyArg key1, KeyArg key2, KeyArg key3) {
  std::array<QtKey, 3> keys{qt_key_of(key1.code), qt_key_of(key2.code), qt_key_of(key3.code)};
  Qt::KeyboardModifiers held = Qt::NoModifier;
  const auto send = [&held](QEvent::Type type, const QtKey& key) {
    if (key.key == 0) return;
    // Like a real key press, it goes to whatever has the focus at that moment.
    QObject* target = QApplication::focusWidget();
    if (target == nullptr) {
      // No window is active (offscreen, or between activations): the widget
      // that would have the focus in the window on top takes the keys.
      QWidget* top = QApplication::activeModalWidget();
      if (top == nullptr) top = QApplication::activeWindow();
      if (top != nullptr) target = top->focusWidget();
    }
    if (type == QEvent::KeyRelease) held.setFlag(modifier_of(key.key), false);
    const Qt::KeyboardModifiers modifiers = held | key.extra;
    QKeyEvent event(type, key.key, modifiers, text_of(key, held));
    if (type == QEvent::KeyPress) held.setFlag(modifier_of(key.key), true);
    if (target != nullptr) QCoreApplication::sendEvent(target, &event);
  };
  for (const QtKey& key : keys) send(QEvent::KeyPress, key);
  for (const QtKey& key : keys) send(QEvent::KeyRelease, key);
}

}  // namespace lv::app
