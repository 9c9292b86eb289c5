#include "editor/common/ScrollingBody.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace editor {

QVBoxLayout* ScrollingBody(QWidget& window) {
    auto* scroll = new QScrollArea(&window);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("ScrollingBody"));
    scroll->setWidget(body);
    auto* outer = new QVBoxLayout(&window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    return new QVBoxLayout(body);
}

}  // namespace editor
