#include "editor/shell/StatusLine.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>

#include <algorithm>

namespace editor {

namespace {

// An indicator the program sets; the user cannot toggle it, and the two do not exclude
// each other as radio buttons usually do.
QRadioButton* Indicator(const QString& caption, const QString& name, QWidget* parent) {
    auto* rb = new QRadioButton(caption, parent);
    rb->setObjectName(name);
    rb->setAutoExclusive(false);
    rb->setFocusPolicy(Qt::NoFocus);
    rb->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font = rb->font();
    font.setPixelSize(11);
    rb->setFont(font);
    return rb;
}

}  // namespace

StatusLine::StatusLine(QWidget* parent)
    : QWidget(parent),
      m_text(new QLabel(this)),
      m_input(Indicator(QStringLiteral("input"), QStringLiteral("rbInput"), this)),
      m_output(Indicator(QStringLiteral("output"), QStringLiteral("rbOutput"), this)) {
    setObjectName(QStringLiteral("StatusLine"));
    setFixedHeight(kHeight);
    // The line keeps the platform's panel colour whatever colour the window has.
    QPalette panel = palette();
    panel.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    panel.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::ButtonText));
    setPalette(panel);
    setAutoFillBackground(true);
    m_text->setObjectName(QStringLiteral("paStatusText"));
    m_text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_text->setIndent(2);
    // The line's width decides how much text shows, not the other way round.
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_text->installEventFilter(this);
    QFont font = m_text->font();
    font.setPixelSize(11);
    m_text->setFont(font);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 2, 0);
    layout->setSpacing(6);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_input);
    layout->addWidget(m_output);
}

void StatusLine::SetText(const QString& text) {
    Show(text.isEmpty() ? m_result : text);
}

void StatusLine::SetResult(const QString& text) {
    m_result = text;
    Show(text);
}

void StatusLine::ClearResult() {
    if (m_shown == m_result) Show({});
    m_result.clear();
}

QString StatusLine::Text() const {
    return m_shown;
}

void StatusLine::Show(const QString& text) {
    m_shown = text;
    const int room = m_text->contentsRect().width() - 2 * m_text->indent();
    const QString fits = m_text->fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, room));
    m_text->setText(fits);
    m_text->setToolTip(fits == text ? QString() : text);
}

bool StatusLine::eventFilter(QObject* watched, QEvent* event) {
    // The text is cut to the label's width, which the layout settles after the line's.
    if (watched == m_text && event->type() == QEvent::Resize) Show(m_shown);
    return false;
}
void StatusLine::SetInputActive(bool active) {
    m_input->setChecked(active);
}
void StatusLine::SetOutputActive(bool active) {
    m_output->setChecked(active);
}
bool StatusLine::InputActive() const {
    return m_input->isChecked();
}
bool StatusLine::OutputActive() const {
    return m_output->isChecked();
}

}  // namespace editor
