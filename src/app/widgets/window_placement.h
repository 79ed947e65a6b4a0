#pragma once
// Where windows stand on the screen.

class QWidget;

namespace lv::app {

void centre_on_screen(QWidget& window);
// A window that is shown comes to the front (restored when minimised); a
// hidden one stays hidden.
void bring_to_front(QWidget& window);

}  // namespace lv::app
