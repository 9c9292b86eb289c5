#include "controls/UpDown.h"

#include <algorithm>
#include <limits>

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "controls/Error.h"

namespace controls {

namespace {

constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 60;

int To16Bits(long long value) {
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<std::int16_t>::min(),
                                                  std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
    // The field beside it keeps the focus; the buttons are for the mouse.
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
    connect(&m_repeat, &QTimer::timeout, this, &TUpDown::Repeat);
}

TUpDown::~TUpDown() {
    if (m_associate) m_associate->removeEventFilter(this);
}

void TUpDown::SetPosition(int position) {
    m_position = std::clamp(To16Bits(position), std::min(m_min, m_max), std::max(m_min, m_max));
    ShowPosition();
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
    if (m_associate) m_associate->installEventFilter(this);
    ShowPosition();
}

void TUpDown::Step(TUDBtnType button) {
    const long long delta = button == btNext ? m_increment : -m_increment;
    long long target = m_position + delta;
    if (target > m_max) target = m_wrap ? m_min : m_max;
    if (target < m_min) target = m_wrap ? m_max : m_min;
    if (target == m_position) return;
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    SetPosition(static_cast<int>(target));
    Click(button);
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
        option.rect = option.rect.adjusted(3, 3, -3, -3);
        if (down) option.rect.translate(1, 1);
        QStyle::PrimitiveElement arrow;
        if (m_orientation == udVertical)
            arrow = button == btNext ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown;
        else
            arrow =
                button == btNext ? QStyle::PE_IndicatorArrowRight : QStyle::PE_IndicatorArrowLeft;
        painter.drawPrimitive(arrow, option);
    }
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
    if (watched == m_associate && m_arrowKeys && isEnabled() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool vertical = m_orientation == udVertical;
        if (key == (vertical ? Qt::Key_Up : Qt::Key_Right)) {
            UserStep(btNext);
            return true;
        }
        if (key == (vertical ? Qt::Key_Down : Qt::Key_Left)) {
            UserStep(btPrev);
            return true;
        }
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
