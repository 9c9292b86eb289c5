#include "controls/Arrow.h"

#include <algorithm>

#include <QPainter>
#include <QPolygonF>

namespace controls {

void DrawArrow(QPainter& painter, const QRect& box, TArrow arrow, const QColor& color) {
    const bool vertical = arrow == TArrow::Up || arrow == TArrow::Down;
    const int across = vertical ? box.width() : box.height();
    const int along = vertical ? box.height() : box.width();
    // Base: the width less a margin, odd so the tip sits on a pixel; height: half of it.
    int base = std::min(across - 6, 2 * (along - 4) - 1);
    base = std::max(base, 3);
    if (base % 2 == 0) --base;
    const int height = (base + 1) / 2;
    const QPointF c = QRectF(box).center();
    const double half = base / 2.0;
    const double h = height / 2.0;
    QPolygonF triangle;
    switch (arrow) {
        case TArrow::Up:
            triangle << QPointF(c.x() - half, c.y() + h) << QPointF(c.x() + half, c.y() + h)
                     << QPointF(c.x(), c.y() - h);
            break;
        case TArrow::Down:
            triangle << QPointF(c.x() - half, c.y() - h) << QPointF(c.x() + half, c.y() - h)
                     << QPointF(c.x(), c.y() + h);
            break;
        case TArrow::Left:
            triangle << QPointF(c.x() + h, c.y() - half) << QPointF(c.x() + h, c.y() + half)
                     << QPointF(c.x() - h, c.y());
            break;
        case TArrow::Right:
            triangle << QPointF(c.x() - h, c.y() - half) << QPointF(c.x() - h, c.y() + half)
                     << QPointF(c.x() + h, c.y());
            break;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(triangle);
    painter.restore();
}

}  // namespace controls
