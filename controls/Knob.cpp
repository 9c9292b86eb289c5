#include "controls/Knob.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWheelEvent>

#include "controls/Accessibility.h"
#include "controls/Error.h"

namespace controls {

namespace {

constexpr int kWidth = 33;
constexpr int kHeight = 41;

// Antialiased shapes spill half a pixel past their box.
QRect Spill(const QRect& box) {
    return box.adjusted(-1, -1, 1, 1);
}

int MouseY(const QMouseEvent* event) {
    return static_cast<int>(std::floor(event->position().y()));
}

bool IsKnobKey(const QKeyEvent* event) {
    return KnobStepForKey(event->key(), event->modifiers().testFlag(Qt::KeypadModifier))
        .has_value();
}

}  // namespace

TQvKnob::TQvKnob(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    resize(kWidth, kHeight);
    InstallAccessibility();
}

TQvKnob::~TQvKnob() = default;

void TQvKnob::SetCenterText(const QString& text) {
    m_centerText = text;
    update();
}

void TQvKnob::SetLeftText(const QString& text) {
    m_leftText = text;
    update();
}

void TQvKnob::SetRightText(const QString& text) {
    m_rightText = text;
    update();
}

void TQvKnob::SetMax(int max) {
    m_max = max;
    if (m_max < m_value) m_value = m_max;
    update();
}

void TQvKnob::SetMin(int min) {
    m_min = std::min(min, m_max);
    if (m_value < m_min) m_value = m_min;
    update();
}

void TQvKnob::SetValue(int value) {
    value = std::max(value, m_min);
    value = std::min(value, m_max);
    if (value == m_value) return;
    // Only the dot and the value text change, so only they are redrawn: no flicker while
    // dragging.
    QRegion dirty(Spill(IndicatorBoxAt(m_value)));
    m_value = value;
    dirty += Spill(IndicatorBoxAt(m_value));
    if (m_displayValue) dirty += ValueTextArea();
    update(dirty);
    AnnounceValue(this, m_value);
    if (OnValueChange) OnValueChange(this);
}

void TQvKnob::UserMoveTo(int value) {
    GuardUserAction(this, [&] {
        const int before = m_value;
        SetValue(value);
        if (m_value == before) return;
        NotifyMoving();
        NotifyMoved();
    });
}

void TQvKnob::SetIndicatorSize(int size) {
    m_indicatorSize = size;
    update();
}

void TQvKnob::SetIndicatorColor(TColor color) {
    m_indicatorColor = color;
    update();
}

void TQvKnob::SetDisplayValue(bool display) {
    if (display == m_displayValue) return;
    m_displayValue = display;
    update();
}

void TQvKnob::SetKnobColor(TColor color) {
    m_knobColor = color;
    update();
}

void TQvKnob::SetLargeChange(int change) {
    // At least 1 even when Max is below 1: a step of 0 would leave the keys dead.
    m_largeChange = std::max(1, std::min(change, m_max));
}

void TQvKnob::SetStartAngle(int angle) {
    m_startAngle = std::clamp(angle, 0, 360);
    update();
}

void TQvKnob::SetTotalAngle(int angle) {
    m_totalAngle = std::clamp(angle, 0, 360);
    update();
}

void TQvKnob::SetMargin(int margin) {
    m_margin = margin;
    update();
}

void TQvKnob::SetOffset(int offset) {
    m_offset = offset;
    update();
}

QColor TQvKnob::Color() const {
    return palette().color(QPalette::Window);
}

void TQvKnob::SetColor(TColor color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(color, pal));
    setPalette(pal);
    update();
}

void TQvKnob::SetFontColor(TColor color) {
    m_fontColor = color;
    update();
}

TKnobLayout TQvKnob::Layout() const {
    return {width(), height(), m_margin, m_offset, m_indicatorSize};
}

QSize TQvKnob::sizeHint() const {
    return QSize(kWidth, kHeight);
}

QSize TQvKnob::minimumSizeHint() const {
    return QSize(kWidth, kHeight);
}

void TQvKnob::NotifyMoved() {
    if (OnMoved) OnMoved(this);
}

void TQvKnob::NotifyMoving() {
    if (OnMoving) OnMoving(this);
}

QString TQvKnob::ShownValueText() {
    QString text = QString::number(m_value);
    if (OnValueText) GuardUserAction(this, [&] { OnValueText(this, text); });
    return text;
}

QRect TQvKnob::IndicatorBoxAt(int value) const {
    const TKnobLayout layout = Layout();
    const double angle = IndicatorAngle(value, m_min, m_max, m_startAngle, m_totalAngle);
    return IndicatorBox(layout, IndicatorDelta(angle, IndicatorRadius(layout)));
}

QRect TQvKnob::ValueTextArea() const {
    return ValueTextBox(Layout(), QFontMetrics(font()).height());
}

void TQvKnob::DrawIndicator(QPainter& painter, int value) {
    // A black disc over the whole box with the fill one pixel inside it: the look of a
    // one-pixel outline, without the pen's antialiasing eating into a dot this small.
    const QRectF box = IndicatorBoxAt(value);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(box);
    painter.setBrush(ToQColor(m_indicatorColor, palette()));
    painter.drawEllipse(box.adjusted(1, 1, -1, -1));
}

void TQvKnob::DrawValueText(QPainter& painter) {
    const QString text = ShownValueText();
    const QRect area = ValueTextArea();
    const QFontMetrics metrics(font());
    painter.save();
    painter.fillRect(area, Color());
    painter.setClipRect(area, Qt::IntersectClip);
    painter.setPen(ToQColor(m_fontColor, palette()));
    const int top = ValueTextTop(metrics.ascent(), metrics.capHeight());
    painter.drawText((width() - metrics.horizontalAdvance(text)) / 2, top + metrics.ascent(), text);
    painter.restore();
}

QRect TQvKnob::FocusFrameArea() const {
    const bool captioned =
        !m_leftText.isEmpty() || !m_rightText.isEmpty() || !m_centerText.isEmpty();
    return FocusFrame(Layout(), QFontMetrics(font()).height(), m_displayValue, captioned);
}

void TQvKnob::DrawFocusFrame(QPainter& painter) {
    if (!hasFocus()) return;
    // Every other pixel of the frame, in whichever of black and white stands out from the
    // background; set square by square so the dots stay one pixel wide at any scale.
    const QRect frame = FocusFrameArea();
    const QColor dot = Color().lightness() < 128 ? Qt::white : Qt::black;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int x = frame.left(); x <= frame.right(); x += 2) {
        painter.fillRect(x, frame.top(), 1, 1, dot);
        painter.fillRect(x, frame.bottom(), 1, 1, dot);
    }
    for (int y = frame.top(); y <= frame.bottom(); y += 2) {
        painter.fillRect(frame.left(), y, 1, 1, dot);
        painter.fillRect(frame.right(), y, 1, 1, dot);
    }
    painter.restore();
}

// The frame crosses the body's rim: the whole inside of the frame is drawn again.
void TQvKnob::UpdateFocusFrame() {
    update(FocusFrameArea());
}

bool TQvKnob::event(QEvent* event) {
    // The knob's keys must reach it rather than a shortcut of the window.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const auto others = key->modifiers() & ~Qt::KeypadModifier & ~Qt::ShiftModifier;
        if (others == Qt::NoModifier && IsKnobKey(key)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void TQvKnob::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(event->rect(), Color());
    painter.setFont(font());

    const TKnobLayout layout = Layout();
    const QRectF body = BodyBox(layout);
    painter.setPen(QPen(ToQColor(clGray, palette()), 2));
    painter.setBrush(ToQColor(m_knobColor, palette()));
    painter.drawEllipse(body.adjusted(1, 1, -1, -1));

    const TArc arc = HighlightArc(layout);
    painter.setPen(QPen(ToQColor(cl3DLight, palette()), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(body.adjusted(0.5, 0.5, -0.5, -0.5), qRound(arc.startDegrees * 16),
                    qRound(arc.spanDegrees * 16));

    DrawIndicator(painter, m_value);

    const QFontMetrics metrics(font());
    const int captionTop = CaptionTop(layout, metrics.height());
    const int baseline = captionTop + metrics.ascent();
    painter.setPen(ToQColor(m_fontColor, palette()));
    if (!m_leftText.isEmpty()) painter.drawText(2, baseline, m_leftText);
    if (!m_rightText.isEmpty())
        painter.drawText(width() - metrics.horizontalAdvance(m_rightText) - 2, baseline,
                         m_rightText);
    if (!m_centerText.isEmpty())
        painter.drawText((width() - metrics.horizontalAdvance(m_centerText)) / 2, baseline,
                         m_centerText);

    if (m_displayValue) DrawValueText(painter);
    DrawFocusFrame(painter);
}

void TQvKnob::StartDrag(int y) {
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    m_dragStartY = y;
    m_dragStartValue = m_value;
}

void TQvKnob::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    StartDrag(MouseY(event));
    event->accept();
}

void TQvKnob::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return QWidget::mouseMoveEvent(event);
    const int n = DragValue(m_dragStartValue, m_dragStartY, MouseY(event));
    if (n == m_value) return;
    // Moving on past a limit still counts as a move, though Value stays put.
    GuardUserAction(this, [&] {
        SetValue(n);
        NotifyMoving();
    });
}

void TQvKnob::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (!m_dragging) return;
    m_dragging = false;
    if (m_value != m_dragStartValue) GuardUserAction(this, [&] { NotifyMoved(); });
}

void TQvKnob::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick) GuardUserAction(this, [&] { OnDblClick(this); });
    StartDrag(MouseY(event));
    event->accept();
}

void TQvKnob::keyPressEvent(QKeyEvent* event) {
    const auto step = KnobStepForKey(event->key(), event->modifiers().testFlag(Qt::KeypadModifier));
    if (!step) return QWidget::keyPressEvent(event);
    event->accept();
    GuardUserAction(this, [&] {
        const int before = m_value;
        SetValue(StepValue(*step, m_value, m_min, m_max, m_largeChange));
        if (m_value == before) return;
        m_keyMoved = true;
        NotifyMoving();
    });
}

void TQvKnob::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    // Some platforms send a release before every repeated press; the key is still held.
    if (event->isAutoRepeat() || !m_keyMoved) return;
    m_keyMoved = false;
    GuardUserAction(this, [&] { NotifyMoved(); });
}

void TQvKnob::wheelEvent(QWheelEvent* event) {
    constexpr int kNotch = 120;  // eighths of a degree
    event->accept();
    // A fine-grained wheel or touchpad adds up to whole notches.
    m_wheelRest += event->angleDelta().y();
    const int notches = m_wheelRest / kNotch;
    m_wheelRest -= notches * kNotch;
    if (notches == 0) return;
    const bool large = event->modifiers().testFlag(Qt::ControlModifier);
    const TKnobStep step = notches > 0 ? (large ? TKnobStep::LargeUp : TKnobStep::Up)
                                       : (large ? TKnobStep::LargeDown : TKnobStep::Down);
    // Each notch is a key step: the step, then the end of the move.
    GuardUserAction(this, [&] {
        for (int i = 0; i < std::abs(notches); ++i) {
            const int before = m_value;
            SetValue(StepValue(step, m_value, m_min, m_max, m_largeChange));
            if (m_value == before) return;
            NotifyMoving();
            NotifyMoved();
        }
    });
}

void TQvKnob::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    UpdateFocusFrame();
}

void TQvKnob::focusOutEvent(QFocusEvent* event) {
    UpdateFocusFrame();
    QWidget::focusOutEvent(event);
}

}  // namespace controls
