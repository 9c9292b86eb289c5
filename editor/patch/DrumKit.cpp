#include "editor/patch/DrumKit.h"

#include <algorithm>
#include <stdexcept>

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "controls/Colors.h"

namespace editor {

namespace {

using enum TPadShape;

constexpr std::array<TPad, kPadCount> kPads = {{
    {"shKickRim", 1, Rectangle, {138, 108, 25, 37}, 0xDBDBDB},
    {"shKick", 0, Rectangle, {144, 106, 13, 31}, 0xDBDBDB},
    {"shTom4Rim", 13, Circle, {172, 128, 54, 54}, 0x3C3F46},
    {"shTom1Rim", 7, Circle, {58, 52, 54, 65}, 0x3C3F46},
    {"shTom1", 6, Circle, {67, 66, 36, 36}, 0x3C3F46},
    {"shPedal", 18, Rectangle, {30, 136, 17, 33}, 0xDBDBDB},
    {"shSnareRim", 3, Circle, {74, 104, 65, 65}, 0x3C3F46},
    {"shHihatRim", 5, Circle, {6, 88, 65, 65}, 0xD9D900},
    {"shTom2Rim", 9, Circle, {110, 56, 54, 65}, 0x3C3F46},
    {"shTom3Rim", 11, Circle, {158, 80, 54, 54}, 0x3C3F46},
    {"shCrashRim", 17, Circle, {38, 16, 65, 65}, 0xD9D900},
    {"shRideRim", 15, Circle, {166, 28, 61, 61}, 0xD9D900},
    {"shCrash", 16, Circle, {47, 25, 47, 47}, 0xD9D900},
    {"shTom2", 8, Circle, {119, 70, 36, 36}, 0x3C3F46},
    {"shTom3", 10, Circle, {167, 89, 36, 36}, 0x3C3F46},
    {"shTom4", 12, Circle, {181, 137, 36, 36}, 0x3C3F46},
    {"shSnare", 2, Circle, {84, 114, 45, 45}, 0x3C3F46},
    {"shHihat", 4, Circle, {15, 97, 47, 47}, 0xD9D900},
    {"shRide", 14, Circle, {175, 37, 43, 43}, 0xD9D900},
}};

constexpr int kOutline = 2;

int IndexOfTag(int tag) {
    for (int k = 0; k < kPadCount; ++k)
        if (kPads[k].Tag == tag) return k;
    throw std::out_of_range("No pad with tag " + std::to_string(tag));
}

bool Holds(const TRect& r, int x, int y) {
    return x >= r.Left && x < r.Left + r.Width && y >= r.Top && y < r.Top + r.Height;
}

}  // namespace

std::span<const TPad> Pads() {
    return kPads;
}

const TPad& PadOfTag(int tag) {
    return kPads[IndexOfTag(tag)];
}

std::optional<int> PadAt(int x, int y) {
    for (int k = kPadCount - 1; k >= 0; --k)
        if (Holds(kPads[k].Bounds, x, y)) return k;
    return std::nullopt;
}

TRect PadShapeRect(const TPad& pad) {
    if (pad.Shape == Rectangle) return pad.Bounds;
    const int d = std::min(pad.Bounds.Width, pad.Bounds.Height);
    return {pad.Bounds.Left + (pad.Bounds.Width - d) / 2,
            pad.Bounds.Top + (pad.Bounds.Height - d) / 2, d, d};
}

TDrumKit::TDrumKit(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DrumKit"));
    for (int k = 0; k < kPadCount; ++k) m_fills[k] = QColor(QRgb(kPads[k].Fill));
    m_fadeTimer = new QTimer(this);
    m_fadeTimer->setObjectName(QStringLiteral("FadeTimer"));
    m_fadeTimer->setTimerType(Qt::PreciseTimer);
    connect(m_fadeTimer, &QTimer::timeout, this, [this] { FadeStep(); });
}

QRect TDrumKit::PadRect(int k) const {
    const TRect r = kPads[k].Bounds;
    return {r.Left, r.Top, r.Width, r.Height};
}

int TDrumKit::FrameMs() const {
    const QScreen* shown = screen();
    const double rate = shown != nullptr && shown->refreshRate() > 1 ? shown->refreshRate() : 60;
    return std::max(1, static_cast<int>(1000 / rate));
}

void TDrumKit::FadeStep() {
    // Only the flashing pads are drawn again, and a pad whose flash has ended once more
    // at its plain fill.
    QRect dirty;
    for (int k = 0; k < kPadCount; ++k) {
        if (m_flashPeak[k] <= 0) continue;
        if (FlashLevel(kPads[k].Tag) <= 0) m_flashPeak[k] = 0;
        dirty |= PadRect(k);
    }
    if (dirty.isEmpty())
        m_fadeTimer->stop();
    else
        update(dirty);
}

void TDrumKit::Flash(int tag, int velocity) {
    const int k = IndexOfTag(tag);
    m_flashPeak[k] = std::clamp(velocity, 1, 127) / 127.0;
    m_flashStart[k] = Now();
    // Frames come at the screen's rate however fast the hits come: a running fade draws
    // this one with the next frame.
    if (m_fadeTimer->isActive()) return;
    m_fadeTimer->start(FrameMs());
    update(PadRect(k));
}

double TDrumKit::FlashLevel(int tag) const {
    const int k = IndexOfTag(tag);
    if (m_flashPeak[k] <= 0) return 0;
    const double elapsed = std::chrono::duration<double>(Now() - m_flashStart[k]).count() /
                           std::chrono::duration<double>(kFlashTime).count();
    if (elapsed >= 1) return 0;
    return m_flashPeak[k] * (1 - std::max(elapsed, 0.0));
}

void TDrumKit::Highlight(int tag) {
    const int k = IndexOfTag(tag);
    if (m_highlighted == k) return;
    if (m_highlighted) m_fills[*m_highlighted] = m_savedFill;
    m_savedFill = m_fills[k];
    m_fills[k] = controls::ToQColor(controls::clHighlight, palette());
    m_highlighted = k;
    update();
}

std::optional<int> TDrumKit::Highlighted() const {
    if (!m_highlighted) return std::nullopt;
    return kPads[*m_highlighted].Tag;
}

QColor TDrumKit::FillOf(int tag) const {
    return m_fills[IndexOfTag(tag)];
}

QPoint TDrumKit::PadCenter(int tag) const {
    // A point of the pad that no later pad covers: scanned from the shape's centre out.
    const int k = IndexOfTag(tag);
    const TRect r = PadShapeRect(kPads[k]);
    const int cx = r.Left + r.Width / 2;
    const int cy = r.Top + r.Height / 2;
    for (int radius = 0; radius < std::max(r.Width, r.Height); ++radius)
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (PadAt(cx + dx, cy + dy) == k) return {cx + dx, cy + dy};
    return {cx, cy};
}

void TDrumKit::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette().color(QPalette::Shadow));
    pen.setWidth(kOutline);
    painter.setPen(pen);
    for (int k = 0; k < kPadCount; ++k) {
        // A frame of a fade redraws a few pads; the others are not even laid out.
        if (!event->region().intersects(PadRect(k))) continue;
        const TRect r = PadShapeRect(kPads[k]);
        // The outline lies inside the bounds, as a shape's pen does.
        const QRectF box(r.Left + kOutline / 2.0, r.Top + kOutline / 2.0, r.Width - kOutline,
                         r.Height - kOutline);
        QColor fill = m_fills[k];
        // The flash is mixed into the fill, so the outline stays the pad's own.
        if (const double level = FlashLevel(kPads[k].Tag); level > 0) {
            const QColor flash = QColor(kFlashColor);
            const auto mix = [level](int from, int to) {
                return static_cast<int>(from + (to - from) * level + 0.5);
            };
            fill = QColor(mix(fill.red(), flash.red()), mix(fill.green(), flash.green()),
                          mix(fill.blue(), flash.blue()));
        }
        painter.setBrush(fill);
        if (kPads[k].Shape == Rectangle)
            painter.drawRect(box);
        else
            painter.drawEllipse(box);
    }
}

void TDrumKit::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    m_pressed = PadAt(at.x(), at.y());
}

void TDrumKit::mouseReleaseEvent(QMouseEvent* event) {
    // The pad that took the press takes the release, wherever the mouse is by now.
    const std::optional<int> pressed = m_pressed;
    m_pressed.reset();
    if (event->buttons() != Qt::NoButton) m_pressed = pressed;
    if (!pressed) return;
    if (OnPadMouseUp) OnPadMouseUp(this, kPads[*pressed].Tag);
}

}  // namespace editor
