#pragma once
// Moving and sizing a unit inside its parent.
#include <QWidget>
#include <optional>

namespace lv::app {

// Left and top move the unit without changing its size; a width or height
// of -1 (or none) keeps that dimension. Nothing happens when the rectangle
// would stay the same.
void move_unit(QWidget& unit, std::optional<int> left, std::optional<int> top = std::nullopt,
               std::optional<int> width = std::nullopt, std::optional<int> height = std::nullopt);

}  // namespace lv::app
