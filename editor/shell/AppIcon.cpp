#include "editor/shell/AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The icon is compiled into the program; a static library keeps its resources only when
// something refers to them.
static void InitIconResource() {
    Q_INIT_RESOURCE(icons);
}

namespace editor {

QIcon ApplicationIcon() {
    // The installed icon itself, rendered at the usual sizes: the window shows the picture
    // the desktop shows, and no image plugin has to be found at run time.
    InitIconResource();
    QSvgRenderer svg(QStringLiteral(":/icons/tamboro.svg"));
    QIcon icon;
    if (!svg.isValid()) return icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace editor
