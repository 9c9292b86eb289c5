#include "editor/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace app {

namespace {

// The shapes of resources/linux/org.example.tamboro.Tamboro.svg, on its 128 x 128 grid.
void DrawIcon(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x16, 0x18, 0x1c), 3));
    painter.setBrush(QColor(0x2e, 0x31, 0x38));
    painter.drawRoundedRect(QRectF(8, 26, 112, 76), 12, 12);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x7f, 0xd3, 0xc4));
    painter.drawRoundedRect(QRectF(20, 38, 48, 22), 3, 3);
    painter.setBrush(QColor(0x2e, 0x6b, 0x62));
    painter.drawRect(QRectF(26, 44, 28, 4));
    painter.drawRect(QRectF(26, 51, 18, 4));
    for (const qreal x : {84.0, 106.0}) {
        painter.setBrush(QColor(0xdb, 0xdb, 0xdb));
        painter.drawEllipse(QPointF(x, 49), 9, 9);
        painter.setBrush(QColor(0x2e, 0x31, 0x38));
        painter.drawRect(QRectF(x - 1, 41, 2, 7));
    }
    for (int pad = 0; pad < 4; ++pad) {
        painter.setBrush(pad == 0 ? QColor(0xd9, 0xd9, 0x00) : QColor(0x5a, 0x5f, 0x6a));
        painter.drawRoundedRect(QRectF(20 + 25 * pad, 70, 19, 19), 4, 4);
    }
}

}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.scale(size / 128.0, size / 128.0);
        DrawIcon(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace app
