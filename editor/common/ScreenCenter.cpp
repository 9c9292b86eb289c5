#include "editor/common/ScreenCenter.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace editor {

void CenterOnScreen(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

}  // namespace editor
