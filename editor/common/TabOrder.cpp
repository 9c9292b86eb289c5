#include "editor/common/TabOrder.h"

#include <QWidget>

namespace editor {

namespace {

// The control's box in its window's coordinates: the controls of a panel may sit on
// pages inside it.
QRect Box(const QWidget& widget) {
    const QWidget* window = widget.window();
    return QRect(widget.mapTo(window, QPoint(0, 0)), widget.size());
}

bool Level(const QRect& a, const QRect& b) {
    const int ay = a.center().y();
    const int by = b.center().y();
    return (ay >= b.top() && ay <= b.bottom()) || (by >= a.top() && by <= a.bottom());
}

}  // namespace

bool ReadsBefore(const QWidget& a, const QWidget& b) {
    const QRect boxA = Box(a);
    const QRect boxB = Box(b);
    if (Level(boxA, boxB)) return boxA.left() < boxB.left();
    return boxA.center().y() < boxB.center().y();
}

void OrderTabs(const std::vector<QWidget*>& panels, const std::vector<QWidget*>& last) {
    std::vector<QWidget*> chain;
    for (QWidget* panel : panels) {
        std::vector<QWidget*> controls;
        for (QWidget* child : panel->findChildren<QWidget*>())
            if (child->focusPolicy() & Qt::TabFocus) controls.push_back(child);
        // Insertion, not std::sort: "level with" does not chain from row to row, so the
        // order is not a strict one; each control goes after all it reads after.
        std::vector<QWidget*> ordered;
        for (QWidget* control : controls) {
            auto at = ordered.end();
            while (at != ordered.begin() && ReadsBefore(*control, **(at - 1))) --at;
            ordered.insert(at, control);
        }
        chain.insert(chain.end(), ordered.begin(), ordered.end());
    }
    chain.insert(chain.end(), last.begin(), last.end());
    for (std::size_t k = 1; k < chain.size(); ++k) QWidget::setTabOrder(chain[k - 1], chain[k]);
}

}  // namespace editor
