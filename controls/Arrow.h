#pragma once

#include <QColor>
#include <QRect>

class QPainter;

namespace controls {

enum class TArrow { Up, Down, Left, Right };

// A solid triangle as wide as the box allows, pointing one way. The style's arrow
// primitives shrink to a dash in a half of a 15 x 21 up-down; this reads as an arrow at
// every size.
void DrawArrow(QPainter& painter, const QRect& box, TArrow arrow, const QColor& color);

}  // namespace controls
