#include "editor/patch/PatchPanel.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>

#include "editor/common/BoundControls.h"
#include "editor/patch/PatchLayout.h"

namespace editor {

namespace {

QString Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void SetWindowText(QWidget* widget, const QColor& color) {
    QPalette p = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::WindowText, color);
    widget->setPalette(p);
}

}  // namespace

QFont PanelFont() {
    // A narrow Times face where there is one: knob captions are as wide as the knobs.
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Nimbus Roman"),
                      QStringLiteral("Liberation Serif")});
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(kPanelFontPixels);
    return font;
}

QFont ListFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Nimbus Mono PS"),
                      QStringLiteral("Liberation Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(kListFontPixels);
    return font;
}

TPatchPanel::TPatchPanel(const TPanelPlace& place, QWidget* parent) : QFrame(parent) {
    setObjectName(Text(place.Name));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    Place(this, place.Bounds);
    setFont(PanelFont());
    // The panels keep the face colour; the chosen background shows around them.
    QPalette p = palette();
    p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    setPalette(p);
    setAutoFillBackground(true);
    if (place.Title.empty()) return;

    m_tab = new QLabel(Text(place.Title), parent);
    m_tab->setObjectName(Text(place.Name) + QStringLiteral("Tab"));
    m_tab->setFont(PanelFont());
    m_tab->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_tab->setPalette(p);
    m_tab->setAutoFillBackground(true);
    m_tab->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QFontMetrics metrics(m_tab->font());
    m_tab->setGeometry(place.Bounds.Left + kTabIndent, place.Bounds.Top - kTabRise,
                       metrics.horizontalAdvance(m_tab->text()) + 8,
                       std::max(kTabHeight, metrics.height() + 2));
}

void TPatchPanel::SetTextColor(const QColor& color) {
    SetWindowText(this, color);
    if (m_tab) SetWindowText(m_tab, color);
}

}  // namespace editor
