#include <algorithm>

#include <gtest/gtest.h>

#include "controls/KnobGeometry.h"

namespace controls {
namespace {

TEST(KnobGeometry, RadiiFollowTheSmallerSideMarginAndDot) {
    EXPECT_EQ(IndicatorRadius({29, 37, 0, 5, 4}), 8);
    EXPECT_EQ(BodyRadius({29, 37, 0, 5, 4}), 6);
    EXPECT_EQ(IndicatorRadius({33, 41, 0, 7, 4}), 10);
    EXPECT_EQ(BodyRadius({33, 41, 0, 7, 4}), 8);
    // The wider side does not count; the margin and a larger dot pull the dot inward.
    EXPECT_EQ(IndicatorRadius({60, 37, 0, 5, 4}), 12);
    EXPECT_EQ(IndicatorRadius({33, 41, 3, 7, 6}), 5);
}

TEST(KnobGeometry, DotRunsOnTheBodysCentre) {
    for (const TKnobLayout layout : {TKnobLayout{29, 37, 0, 5, 4}, TKnobLayout{33, 41, 0, 7, 4}}) {
        const QRect body = BodyBox(layout);
        const QRect dot = IndicatorBox(layout, QPoint(0, 0));
        EXPECT_EQ(body.x() * 2 + body.width(), dot.x() * 2 + dot.width());
        EXPECT_EQ(body.y() * 2 + body.height(), dot.y() * 2 + dot.height());
        // The dot at full radius stays inside the body.
        const int r1 = IndicatorRadius(layout);
        for (QPoint delta : {QPoint(r1, 0), QPoint(-r1, 0), QPoint(0, r1), QPoint(0, -r1)})
            EXPECT_TRUE(body.contains(IndicatorBox(layout, delta))) << delta.x() << delta.y();
    }
    // 29 x 37, Offset 5: the body's box is 22 pixels wide, centred at (15, 23).
    EXPECT_EQ(BodyBox({29, 37, 0, 5, 4}), QRect(4, 12, 22, 22));
}

TEST(KnobGeometry, MiddleValueStandsStraightUp) {
    EXPECT_DOUBLE_EQ(IndicatorAngle(50, 0, 100, 120, 300), 270.0);
    EXPECT_EQ(IndicatorDelta(270.0, 8), QPoint(0, -8));
    EXPECT_EQ(IndicatorDelta(270.0, 14), QPoint(0, -14));
}

TEST(KnobGeometry, SweepRunsClockwiseFromLowerLeftToLowerRight) {
    const QPoint atMin = IndicatorDelta(IndicatorAngle(0, 0, 100, 120, 300), 14);
    const QPoint atMax = IndicatorDelta(IndicatorAngle(100, 0, 100, 120, 300), 14);
    EXPECT_EQ(atMin.y(), 12);  // 12.12 truncated toward zero
    EXPECT_EQ(atMax.y(), 12);
    EXPECT_LT(atMin.x(), 0);
    EXPECT_EQ(atMax.x(), -atMin.x());
    // A quarter of the way is left of and above the centre.
    const QPoint quarter = IndicatorDelta(IndicatorAngle(25, 0, 100, 120, 300), 14);
    EXPECT_LT(quarter.x(), 0);
    EXPECT_LT(quarter.y(), 0);
    // Negative ranges work the same.
    EXPECT_DOUBLE_EQ(IndicatorAngle(0, -48, 48, 120, 300), 270.0);
}

TEST(KnobGeometry, EqualLimitsShowTheStartAngle) {
    EXPECT_DOUBLE_EQ(IndicatorAngle(5, 5, 5, 120, 300), 120.0);
}

TEST(KnobGeometry, HighlightLightsTheUpperLeftRim) {
    for (const TKnobLayout layout : {TKnobLayout{29, 37, 0, 5, 4}, TKnobLayout{33, 41, 0, 7, 4}}) {
        const TArc arc = HighlightArc(layout);
        EXPECT_GT(arc.startDegrees, 45);
        EXPECT_LT(arc.startDegrees, 90);
        EXPECT_GT(arc.startDegrees + arc.spanDegrees, 180);
        EXPECT_LT(arc.startDegrees + arc.spanDegrees, 225);
    }
}

TEST(KnobGeometry, ValueTextMovesDownOnlyForFontsWithoutLeading) {
    EXPECT_EQ(ValueTextTop(11, 8), -1);  // three pixels of leading: one above the box
    EXPECT_EQ(ValueTextTop(10, 8), -1);
    EXPECT_EQ(ValueTextTop(8, 7), 0);  // digits would start in the clipped row
}

TEST(KnobGeometry, FocusFrameGoesRoundTheBodyBetweenTheTexts) {
    // The main window's knob (31 x 49, Offset 0) and the system window's, in a 12-pixel line.
    for (const TKnobLayout layout : {TKnobLayout{31, 49, 0, 0, 4}, TKnobLayout{35, 50, 0, 0, 4}}) {
        const int line = 12;
        const QRect frame = FocusFrame(layout, line, true, true);
        EXPECT_GT(frame.top(), ValueTextBox(layout, line).bottom());
        EXPECT_LT(frame.bottom(), CaptionTop(layout, line));
        EXPECT_TRUE(frame.contains(BodyBox(layout).center()));
        EXPECT_GE(frame.left(), 0);
        EXPECT_LT(frame.right(), layout.width);
        // Without texts it stands two pixels off the body, inside the knob.
        const QRect bare = FocusFrame(layout, line, false, false);
        EXPECT_EQ(bare.top(), std::max(0, BodyBox(layout).top() - 2));
        EXPECT_EQ(bare.bottom(), std::min(layout.height - 1, BodyBox(layout).bottom() + 2));
    }
}

}  // namespace
}  // namespace controls
