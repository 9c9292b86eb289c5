#include "editor/trigger/PadChart.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "td7/map/ParameterTable.h"
#include "td7/map/ShownValue.h"

namespace editor {

namespace {

// Columns: name, hits, histogram, lowest/median/highest, at 127, doubles, crosstalk,
// parameters.
constexpr int kName = 4, kHits = 112, kBars = 160, kBarsWidth = 96, kLevels = 264,
              kHot = 354, kDoubles = 400, kCrosstalk = 448, kParameters = 500;
constexpr int kWidth = 1040;

}  // namespace

TPadChart::TPadChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PadChart"));
    setAutoFillBackground(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPadChart::Show(const td7::TTriggerCheck* check,
                     const std::vector<std::optional<td7::TTriggerValues>>* values) {
    m_check = check;
    m_values = values;
    updateGeometry();
    update();
}

QString TPadChart::ParametersText(const std::optional<td7::TTriggerValues>& values) {
    if (!values) return {};
    QStringList parts;
    const auto& rows = td7::CheckedParameters();
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const td7::TParameter& row = *rows[k];
        QString caption = QString::fromLatin1(row.Caption.data(), static_cast<qsizetype>(row.Caption.size()));
        if (caption.endsWith(QLatin1Char(':'))) caption.chop(1);
        // As the patch window's controls show them, and the suggestions name them.
        const QString value = QString::fromStdString(td7::ShownValue(row, values->Values[k]));
        parts << caption + QLatin1Char(' ') + value;
    }
    return parts.join(QStringLiteral("  "));
}

QSize TPadChart::sizeHint() const {
    const int rows = m_check ? m_check->Pads().Count() : td7::kTriggerSelectorEntries;
    return {kWidth, (rows + 1) * kRowHeight + 4};
}

void TPadChart::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(event->rect(), colours.base());
    painter.setPen(colours.color(QPalette::Text));
    const auto text = [&](int x, int y, int width, const QString& s,
                          Qt::Alignment align = Qt::AlignLeft) {
        painter.drawText(QRect(x, y, width, kRowHeight), static_cast<int>(align | Qt::AlignVCenter), s);
    };
    QFont bold = painter.font();
    bold.setBold(true);
    painter.setFont(bold);
    text(kName, 0, 100, QStringLiteral("Pad"));
    text(kHits, 0, 40, QStringLiteral("Hits"), Qt::AlignRight);
    text(kBars, 0, kBarsWidth, QStringLiteral("Velocities"));
    text(kLevels, 0, 88, QStringLiteral("Lo/Med/Hi"));
    text(kHot, 0, 40, QStringLiteral("127"), Qt::AlignRight);
    text(kDoubles, 0, 44, QStringLiteral("Dbl."), Qt::AlignRight);
    text(kCrosstalk, 0, 44, QStringLiteral("XTalk"), Qt::AlignRight);
    text(kParameters, 0, kWidth - kParameters, QStringLiteral("Parameters now"));
    painter.setFont(font());
    if (m_check == nullptr) return;

    const QColor bar = colours.color(QPalette::Highlight);
    const QColor fault(0xC0, 0x30, 0x20);
    for (int pad = 0; pad < m_check->Pads().Count(); ++pad) {
        const int y = (pad + 1) * kRowHeight;
        if (y > event->rect().bottom() || y + kRowHeight < event->rect().top()) continue;
        if (pad % 2 == 1)
            painter.fillRect(0, y, width(), kRowHeight, colours.color(QPalette::AlternateBase));
        const td7::TPadCounts& counts = m_check->Counts(pad);
        painter.setPen(colours.color(QPalette::Text));
        text(kName, y, 106, QString::fromStdString(m_check->Pads().Name(pad)));
        text(kHits, y, 40, QString::number(counts.Hits), Qt::AlignRight);
        // The histogram: 16 bars of 6 pixels, scaled to the fullest bin of the pad.
        const std::array<int, 16> bins = counts.Histogram();
        const int fullest = *std::max_element(bins.begin(), bins.end());
        painter.fillRect(kBars, y + 3, kBarsWidth, kRowHeight - 6, colours.color(QPalette::Window));
        if (fullest > 0) {
            for (std::size_t k = 0; k < bins.size(); ++k) {
                const int height = static_cast<int>(std::lround(
                    static_cast<double>(bins[k]) * (kRowHeight - 6) / fullest));
                // The top bin in the fault colour: hits squeezed to 127 show there.
                painter.fillRect(kBars + static_cast<int>(k) * 6, y + kRowHeight - 3 - height, 5,
                                 height, k == 15 && counts.ShareAt127() >= td7::kHotShare ? fault : bar);
            }
        }
        if (counts.Hits > 0) {
            text(kLevels, y, 80,
                 QStringLiteral("%1/%2/%3").arg(counts.Lowest()).arg(counts.Median()).arg(counts.Highest()));
            text(kHot, y, 40, QStringLiteral("%1%").arg(std::lround(counts.ShareAt127() * 100)),
                 Qt::AlignRight);
        }
        const int crosstalk = m_check->CrosstalkInto(pad);
        painter.setPen(counts.Doubles > 0 ? fault : colours.color(QPalette::Text));
        text(kDoubles, y, 44, QString::number(counts.Doubles), Qt::AlignRight);
        painter.setPen(crosstalk > 0 ? fault : colours.color(QPalette::Text));
        text(kCrosstalk, y, 44, QString::number(crosstalk), Qt::AlignRight);
        painter.setPen(colours.color(QPalette::Text));
        if (m_values != nullptr && pad < static_cast<int>(m_values->size()))
            text(kParameters, y, width() - kParameters,
                 ParametersText((*m_values)[static_cast<std::size_t>(pad)]));
    }
}

}  // namespace editor
