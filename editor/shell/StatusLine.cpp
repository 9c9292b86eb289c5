#include "editor/shell/StatusLine.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>

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
    m_text->setText(text);
}
QString StatusLine::Text() const {
    return m_text->text();
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
