#pragma once
// Pop-up menus.
#include <QMenu>
#include <QPoint>
#include <optional>

namespace lv::app {

// Shows `menu` at the cursor + (3, 3), or at `at` (global coordinates), and
// returns when it closes; the chosen item's action has run by then.
void popup_menu(QWidget& window, QMenu& menu, std::optional<QPoint> at = std::nullopt);

}  // namespace lv::app
