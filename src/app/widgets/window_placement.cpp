#include "app/widgets/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>


namespace lv::app {

void centre_on_screen(QWidget& window) {
  const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect available = screen->availableGeometry();
  const QSize outer = window.frameGeometry().size();
  window.move(available.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

void bring_to_front(QWidget& window) {
  if (!window.isVisible()) return;
  if (window.isMinimized()) window.showNormal();
  window.raise();
  window.activateWindow();
}

}  // namespace lv::app
