#include "controls/UpDown.h"

#include <algorithm>
#include <limits>

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "controls/Accessibility.h"
#include "controls/Error.h"

namespace controls {

namespace {

constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 60;
constexpr int kPageStep = 10;
constexpr int kWheelNotch = 120;  // eighths of a degree

int To16Bits(long long value) {
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<std::int16_t>::min(),
                                                  std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
    // The field beside it keeps the focus; the buttons are for the mouse.
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
    InstallAccessibility();
    connect(&m_repeat, &QTimer::timeout, this, &TUpDown::Repeat);
}

TUpDown::~TUpDown() {
    if (m_associate) m_associate->removeEventFilter(this);
}

void TUpDown::SetPosition(int position) {
    const int before = m_position;
    m_position = std::clamp(To16Bits(position), std::min(m_min, m_max), std::max(m_min, m_max));
    ShowPosition();
    if (m_position != before) AnnounceValue(this, m_position);
}

void TUpDown::SetMin(int min) {
    m_min = To16Bits(min);
    SetPosition(m_position);
}

void TUpDown::SetMax(int max) {
    m_max = To16Bits(max);
    SetPosition(m_position);
}

void TUpDown::SetThousands(bool thousands) {
    m_thousands = thousands;
    ShowPosition();
}

void TUpDown::SetOrientation(TUDOrientation orientation) {
    m_orientation = orientation;
    update();
}

void TUpDown::SetAssociate(QWidget* associate) {
    if (m_associate) m_associate->removeEventFilter(this);
    m_associate = associate;
    auto* edit = qobject_cast<QLineEdit*>(associate);
    m_typable = edit != nullptr && !edit->isReadOnly();
    if (m_typable && edit->validator() == nullptr) {
        // Digits only; whatever else is left there is put right when the field is left.
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("-?[0-9]{0,6}")), edit));
    }
    if (m_associate) m_associate->installEventFilter(this);
    FollowEnabled();
    ShowPosition();
}

void TUpDown::Step(TUDBtnType button) {
    const long long delta = button == btNext ? m_increment : -m_increment;
    long long target = m_position + delta;
    if (target > m_max) target = m_wrap ? m_min : m_max;
    if (target < m_min) target = m_wrap ? m_max : m_min;
    MoveTo(target, button);
}

void TUpDown::MoveTo(long long target, TUDBtnType button) {
    target = std::clamp<long long>(target, std::min(m_min, m_max), std::max(m_min, m_max));
    if (target == m_position) return;
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    SetPosition(static_cast<int>(target));
    Click(button);
}

void TUpDown::UserMoveTo(long long target) {
    GuardUserAction(this, [&] { MoveTo(target, target > m_position ? btNext : btPrev); });
}

void TUpDown::Click(TUDBtnType button) {
    if (OnClick) OnClick(this, button);
}

QSize TUpDown::sizeHint() const {
    return m_orientation == udVertical ? QSize(15, 21) : QSize(21, 15);
}

QRect TUpDown::ButtonRect(TUDBtnType button) const {
    if (m_orientation == udVertical) {
        const int half = height() / 2;
        return button == btNext ? QRect(0, 0, width(), half)
                                : QRect(0, half, width(), height() - half);
    }
    const int half = width() / 2;
    return button == btPrev ? QRect(0, 0, half, height())
                            : QRect(half, 0, width() - half, height());
}

TUpDown::TUDBtnType TUpDown::ButtonAt(QPoint point) const {
    return ButtonRect(btNext).contains(point) ? btNext : btPrev;
}

void TUpDown::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    for (TUDBtnType button : {btNext, btPrev}) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = ButtonRect(button);
        const bool down = m_pressed == button;
        option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        painter.drawControl(QStyle::CE_PushButtonBevel, option);
        QRect inner = option.rect;
        if (down) inner.translate(1, 1);
        const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
        DrawArrow(painter, inner, ArrowFor(button), palette().color(group, QPalette::ButtonText));
    }
}

TArrow TUpDown::ArrowFor(TUDBtnType button) const {
    if (m_orientation == udVertical) return button == btNext ? TArrow::Up : TArrow::Down;
    return button == btNext ? TArrow::Right : TArrow::Left;
}

void TUpDown::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) return QWidget::mousePressEvent(event);
    m_pressed = ButtonAt(event->position().toPoint());
    update();
    UserStep(*m_pressed);
    m_repeat.start(kFirstRepeatMs);
}

void TUpDown::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    m_repeat.stop();
    m_pressed.reset();
    update();
}

void TUpDown::wheelEvent(QWheelEvent* event) {
    Wheel(event);
}

void TUpDown::Wheel(QWheelEvent* event) {
    if (!isEnabled()) return event->ignore();
    event->accept();
    // A notch is one step; a fine-grained wheel or touchpad adds up to notches.
    m_wheelRest += event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    while (m_wheelRest >= kWheelNotch) {
        m_wheelRest -= kWheelNotch;
        UserStep(btNext);
    }
    while (m_wheelRest <= -kWheelNotch) {
        m_wheelRest += kWheelNotch;
        UserStep(btPrev);
    }
}

void TUpDown::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) FollowEnabled();
}

// Nothing can be typed while the buttons are off (the program number while its program
// change is off).
void TUpDown::FollowEnabled() {
    if (!m_typable) return;
    if (auto* edit = qobject_cast<QLineEdit*>(m_associate.data())) edit->setReadOnly(!isEnabled());
}

void TUpDown::CommitTyped() {
    auto* edit = qobject_cast<QLineEdit*>(m_associate.data());
    if (!m_typable || edit == nullptr || edit->isReadOnly()) return;
    bool ok = false;
    const long long typed = edit->text().toLongLong(&ok);
    if (ok) UserMoveTo(typed);
    ShowPosition();  // the number that took effect, or the old one after a refusal
}

void TUpDown::Repeat() {
    m_repeat.setInterval(kRepeatMs);
    if (!m_pressed) return m_repeat.stop();
    // Held button: keeps stepping while the mouse stays on it.
    if (ButtonAt(mapFromGlobal(QCursor::pos())) == *m_pressed &&
        rect().contains(mapFromGlobal(QCursor::pos())))
        UserStep(*m_pressed);
}

void TUpDown::UserStep(TUDBtnType button) {
    GuardUserAction(this, [&] { Step(button); });
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_associate || !isEnabled()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const bool vertical = m_orientation == udVertical;
            if (m_arrowKeys && key == (vertical ? Qt::Key_Up : Qt::Key_Right)) {
                UserStep(btNext);
                return true;
            }
            if (m_arrowKeys && key == (vertical ? Qt::Key_Down : Qt::Key_Left)) {
                UserStep(btPrev);
                return true;
            }
            if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
                UserMoveTo(m_position + (key == Qt::Key_PageUp ? kPageStep : -kPageStep));
                return true;
            }
            // Enter takes the typed number; it must not also press a dialog's default button.
            if (m_typable && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                CommitTyped();
                return true;
            }
            break;
        }
        case QEvent::ShortcutOverride: {
            // The window's Undo and Redo win over the field's own text undo: a typed number
            // is a step like any other, taken back with the rest.
            auto* key = static_cast<QKeyEvent*>(event);
            if (m_typable && (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo))) {
                event->ignore();
                return true;
            }
            break;
        }
        case QEvent::FocusOut:
            CommitTyped();
            break;
        case QEvent::Wheel:
            Wheel(static_cast<QWheelEvent*>(event));
            return true;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void TUpDown::ShowPosition() {
    if (!m_associate) return;
    const QString text = m_thousands ? QLocale().toString(m_position) : QString::number(m_position);
    if (auto* edit = qobject_cast<QLineEdit*>(m_associate.data()))
        edit->setText(text);
    else
        m_associate->setProperty("text", text);
}

}  // namespace controls
