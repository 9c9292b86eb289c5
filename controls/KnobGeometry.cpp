#include "controls/KnobGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include <Qt>

namespace controls {

namespace {

// Page Up lowers the value and Page Down raises it.
constexpr std::array<TKnobKey, 11> kKnobKeys = {{
    {Qt::Key_PageUp, false, TKnobStep::LargeDown},
    {Qt::Key_PageDown, false, TKnobStep::LargeUp},
    {Qt::Key_End, false, TKnobStep::ToMax},
    {Qt::Key_Home, false, TKnobStep::ToMin},
    {Qt::Key_Left, false, TKnobStep::Down},
    {Qt::Key_Down, false, TKnobStep::Down},
    {Qt::Key_Minus, true, TKnobStep::Down},
    {Qt::Key_Right, false, TKnobStep::Up},
    {Qt::Key_Up, false, TKnobStep::Up},
    {Qt::Key_Plus, true, TKnobStep::Up},
    {Qt::Key_Asterisk, true, TKnobStep::Middle},
}};

// Key and drag steps may overshoot the int range at its ends; the knob limits them anyway.
int Saturate(long long value) {
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

double RayAngle(QPointF centre, QPointF through) {
    // Screen y grows downward; arcs count counter-clockwise with y up.
    return std::atan2(centre.y() - through.y(), through.x() - centre.x()) * 180.0 /
           std::numbers::pi;
}

}  // namespace

int IndicatorRadius(const TKnobLayout& layout) {
    return std::min(layout.width, layout.height) / 2 - layout.margin - layout.indicatorSize - 2;
}

int BodyRadius(const TKnobLayout& layout) {
    return IndicatorRadius(layout) + layout.indicatorSize - 6;
}

QRect BodyBox(const TKnobLayout& layout) {
    const int w = layout.width;
    const int h = layout.height;
    const int m = layout.margin;
    const int r2 = BodyRadius(layout);
    const int left = w / 2 + m - r2 - 4;
    const int top = h / 2 + m + layout.offset - r2 - 5;
    const int right = w / 2 - m + r2 + 6;
    const int bottom = h / 2 - m + layout.offset + r2 + 5;
    return QRect(left, top, right - left, bottom - top);
}

double IndicatorAngle(int value, int min, int max, int startAngle, int totalAngle) {
    if (max == min) return startAngle;
    return startAngle +
           static_cast<double>(value - min) / (static_cast<double>(max) - min) * totalAngle;
}

QPoint IndicatorDelta(double angleDegrees, int radius) {
    const double x = angleDegrees / 360.0 * 2.0 * std::numbers::pi;
    return QPoint(static_cast<int>(std::trunc(std::cos(x) * radius)),
                  static_cast<int>(std::trunc(std::sin(x) * radius)));
}

QRect IndicatorBox(const TKnobLayout& layout, QPoint delta) {
    const int h = layout.indicatorSize / 2;
    const int cx = layout.width / 2 - layout.margin + 1 + delta.x();
    const int cy = layout.height / 2 - layout.margin + layout.offset + delta.y();
    return QRect(cx - h, cy - h, 2 * h, 2 * h);
}

TArc HighlightArc(const TKnobLayout& layout) {
    const QRect box = BodyBox(layout);
    const QPointF centre(box.x() + box.width() / 2.0, box.y() + box.height() / 2.0);
    const double start = RayAngle(centre, QPointF(std::trunc(0.75 * layout.width), 0));
    const double end = RayAngle(centre, QPointF(0, std::trunc(0.75 * layout.height)));
    double span = std::fmod(end - start, 360.0);
    if (span <= 0) span += 360.0;
    return {start, span};
}

QRect ValueTextBox(const TKnobLayout& layout, int lineHeight) {
    const int right = layout.width - 2;
    const int bottom = lineHeight - 2;
    return QRect(1, 1, std::max(0, right - 1), std::max(0, bottom - 1));
}

int CaptionTop(const TKnobLayout& layout, int lineHeight) {
    return layout.height - (lineHeight + 1);
}

QRect FocusFrame(const TKnobLayout& layout, int lineHeight, bool valueShown, bool captioned) {
    constexpr int kGap = 2;  // between the body and the frame, where there is room
    const QRect body = BodyBox(layout);
    int top = body.top() - kGap;
    int bottom = body.bottom() + kGap;
    if (valueShown) top = std::max(top, ValueTextBox(layout, lineHeight).bottom() + 1);
    if (captioned) bottom = std::min(bottom, CaptionTop(layout, lineHeight) - 1);
    top = std::max(top, 0);
    bottom = std::min(bottom, layout.height - 1);
    const int left = std::max(body.left() - kGap, 0);
    const int right = std::min(body.right() + kGap, layout.width - 1);
    return QRect(QPoint(left, top), QPoint(right, std::max(top, bottom)));
}

int ValueTextTop(int ascent, int capHeight) {
    return std::max(-1, 1 - (ascent - capHeight));
}

int DragValue(int startValue, int startY, int y) {
    return Saturate(static_cast<long long>(startValue) + startY - y);
}

int MiddleValue(int min, int max) {
    return min + static_cast<int>(std::ceil((static_cast<double>(max) - min) * 0.5));
}

std::optional<TKnobStep> KnobStepForKey(int key, bool keypad) {
    for (const TKnobKey& row : kKnobKeys)
        if (row.key == key && (!row.keypad || keypad)) return row.step;
    return std::nullopt;
}

int StepValue(TKnobStep step, int value, int min, int max, int largeChange) {
    switch (step) {
        case TKnobStep::LargeDown:
            return Saturate(static_cast<long long>(value) - largeChange);
        case TKnobStep::LargeUp:
            return Saturate(static_cast<long long>(value) + largeChange);
        case TKnobStep::ToMax:
            return max;
        case TKnobStep::ToMin:
            return min;
        case TKnobStep::Down:
            return Saturate(static_cast<long long>(value) - 1);
        case TKnobStep::Up:
            return Saturate(static_cast<long long>(value) + 1);
        case TKnobStep::Middle:
            return MiddleValue(min, max);
    }
    return value;
}

}  // namespace controls
