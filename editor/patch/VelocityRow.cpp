#include "editor/patch/VelocityRow.h"

#include <QPainter>

namespace editor {

TVelocityRow::TVelocityRow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("VelocityRow"));
    setToolTip(QStringLiteral("The last velocities of this trigger"));
}

void TVelocityRow::SetVelocities(const std::vector<int>& velocities) {
    const auto first = velocities.size() > kBars ? velocities.end() - kBars : velocities.begin();
    std::vector<int> shown(first, velocities.end());
    if (shown == m_velocities) return;
    m_velocities = std::move(shown);
    QStringList numbers;
    for (int v : m_velocities) numbers << QString::number(v);
    // The exact numbers, newest last, for whoever points at the bars.
    setToolTip(m_velocities.empty() ? QStringLiteral("The last velocities of this trigger")
                                    : QStringLiteral("Last velocities: %1").arg(numbers.join(' ')));
    setStatusTip(toolTip());
    update();
}

void TVelocityRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(frame);
    // Slots fill from the right, so the newest hit is always the rightmost bar.
    const double slot = (width() - 2) / static_cast<double>(kBars);
    const int inner = height() - 3;
    const int count = static_cast<int>(m_velocities.size());
    painter.setPen(Qt::NoPen);
    for (int k = 0; k < count; ++k) {
        const int v = m_velocities[static_cast<std::size_t>(k)];
        const int bar = std::max(1, static_cast<int>(inner * v / 127.0 + 0.5));
        const double left = 1 + slot * (kBars - count + k) + 0.5;
        const QColor color = k == count - 1 ? palette().color(QPalette::Highlight)
                                            : palette().color(QPalette::WindowText);
        painter.setBrush(color);
        painter.drawRect(QRectF(left, height() - 1.5 - bar, slot - 1, bar));
    }
}

}  // namespace editor
