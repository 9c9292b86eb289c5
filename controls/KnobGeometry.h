#pragma once

// The knob's arithmetic, free of any widget: where the body and the indicator dot go, which
// value a drag or a key gives. Rectangles are the drawing boxes of the shapes: left and top
// inclusive, right and bottom exclusive, in device-independent pixels.

#include <optional>

#include <QPoint>
#include <QRect>

namespace controls {

struct TKnobLayout {
    int width = 33;
    int height = 41;
    int margin = 0;
    int offset = 7;
    int indicatorSize = 4;
};

// r1, the distance of the indicator dot from the centre.
int IndicatorRadius(const TKnobLayout& layout);
// r2, from which the body's box is measured.
int BodyRadius(const TKnobLayout& layout);
// Box of the body's ellipse.
QRect BodyBox(const TKnobLayout& layout);

// Angle of value in degrees, clockwise on screen from the right (90 is down). A knob whose
// Min equals Max cannot divide its sweep; it shows the start angle.
double IndicatorAngle(int value, int min, int max, int startAngle, int totalAngle);
// Position of the dot relative to the centre, each coordinate truncated toward zero.
QPoint IndicatorDelta(double angleDegrees, int radius);
// Box of the dot at that position.
QRect IndicatorBox(const TKnobLayout& layout, QPoint delta);

// The rim's highlight: an arc on the body's box, from the ray through (3/4 W, 0) to the
// ray through (0, 3/4 H), counter-clockwise on screen. Angles in degrees counter-clockwise
// from the right, the way arcs are drawn (span > 0).
struct TArc {
    double startDegrees = 0;
    double spanDegrees = 0;
};
TArc HighlightArc(const TKnobLayout& layout);

// Box of the value text (above the body), given the height of a line of the knob's font.
QRect ValueTextBox(const TKnobLayout& layout, int lineHeight);

// Top of the captions' line, given the height of a line of the knob's font.
int CaptionTop(const TKnobLayout& layout, int lineHeight);

// The focus frame (its outermost pixels, right and bottom inclusive): round the body, but
// between the value text above and the captions below, so that its dots never run through
// a text.
QRect FocusFrame(const TKnobLayout& layout, int lineHeight, bool valueShown, bool captioned);

// Top of the value text's line: one pixel above the box, which the internal leading of the
// usual small fonts fills; a font with less leading moves down until the tops of the
// digits (capHeight under the line's top at ascent) clear the box's top edge.
int ValueTextTop(int ascent, int capHeight);

// Value after dragging from startY to y: one step per pixel, upward raises it.
int DragValue(int startValue, int startY, int y);
// Min + ceiling((Max - Min) / 2).
int MiddleValue(int min, int max);

// What a key does to the value, as a row of the key table.
enum class TKnobStep { LargeDown, LargeUp, ToMax, ToMin, Down, Up, Middle };

struct TKnobKey {
    int key;      // Qt::Key
    bool keypad;  // only with Qt::KeypadModifier
    TKnobStep step;
};

// The step of a key press, none for a key the knob leaves alone.
std::optional<TKnobStep> KnobStepForKey(int key, bool keypad);
// The new value before it is limited to Min..Max.
int StepValue(TKnobStep step, int value, int min, int max, int largeChange);

}  // namespace controls
