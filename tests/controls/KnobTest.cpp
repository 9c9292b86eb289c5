#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QTest>

#include "controls/Knob.h"
#include "tests/controls/TestApp.h"

namespace controls {
namespace {

// Records the knob's events in the order they fire.
class KnobTest : public controls_test::WithTestApp, public ::testing::Test {
  protected:
    void SetUp() override {
        knob.OnValueChange = [this](TQvKnob*) { log.push_back("change"); };
        knob.OnMoving = [this](TQvKnob*) { log.push_back("moving"); };
        knob.OnMoved = [this](TQvKnob*) { log.push_back("moved"); };
    }

    void Key(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             bool autoRepeat = false) {
        QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(&knob, &event);
    }
    void Mouse(QEvent::Type type, int y) {
        const QPointF at(10, y);
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, knob.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(&knob, &event);
    }
    int Count(const std::string& name) const {
        return static_cast<int>(std::count(log.begin(), log.end(), name));
    }

    TQvKnob knob;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

struct KeyRow {
    int key;
    Qt::KeyboardModifiers modifiers;
    int expected;  // from Value 30 in 0..100, LargeChange 10
};

TEST_F(KnobTest, KeyTableMovesAndFiresChangeMovingThenMovedOnRelease) {
    const std::vector<KeyRow> rows = {
        {Qt::Key_PageUp, Qt::NoModifier, 20},       {Qt::Key_PageDown, Qt::NoModifier, 40},
        {Qt::Key_End, Qt::NoModifier, 100},         {Qt::Key_Home, Qt::NoModifier, 0},
        {Qt::Key_Left, Qt::NoModifier, 29},         {Qt::Key_Down, Qt::NoModifier, 29},
        {Qt::Key_Minus, Qt::KeypadModifier, 29},    {Qt::Key_Right, Qt::NoModifier, 31},
        {Qt::Key_Up, Qt::NoModifier, 31},           {Qt::Key_Plus, Qt::KeypadModifier, 31},
        {Qt::Key_Asterisk, Qt::KeypadModifier, 50},
    };
    for (const KeyRow& row : rows) {
        SCOPED_TRACE(row.key);
        knob.SetValue(30);
        log.clear();
        Key(QEvent::KeyPress, row.key, row.modifiers);
        EXPECT_EQ(knob.Value(), row.expected);
        EXPECT_EQ(log, (Log{"change", "moving"}));
        Key(QEvent::KeyRelease, row.key, row.modifiers);
        EXPECT_EQ(log, (Log{"change", "moving", "moved"}));
    }
}

TEST_F(KnobTest, OtherKeysAndKeysAtALimitMoveNothing) {
    knob.SetValue(100);
    log.clear();
    for (int key : {int(Qt::Key_A), int(Qt::Key_Minus), int(Qt::Key_Up), int(Qt::Key_End)}) {
        Key(QEvent::KeyPress, key);
        Key(QEvent::KeyRelease, key);
    }
    EXPECT_EQ(knob.Value(), 100);
    EXPECT_TRUE(log.empty());
}

TEST_F(KnobTest, NumericPadMultiplyGoesToTheMiddle) {
    knob.SetMin(-48);
    knob.SetMax(48);
    knob.SetValue(-30);
    Key(QEvent::KeyPress, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(knob.Value(), 0);
    knob.SetMin(1);
    knob.SetMax(40);
    Key(QEvent::KeyPress, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(knob.Value(), 21);
    // The asterisk of the main keys is not the pad's.
    knob.SetValue(1);
    Key(QEvent::KeyPress, Qt::Key_Asterisk);
    EXPECT_EQ(knob.Value(), 1);
}

TEST_F(KnobTest, HeldKeyIsOneMoveUntilReleased) {
    knob.SetValue(10);
    log.clear();
    Key(QEvent::KeyPress, Qt::Key_Up);
    // Platforms that report a release before each repeat mark both as repeats.
    for (int i = 0; i < 2; ++i) {
        Key(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier, true);
        Key(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, true);
    }
    Key(QEvent::KeyRelease, Qt::Key_Up);
    EXPECT_EQ(knob.Value(), 13);
    EXPECT_EQ(Count("moving"), 3);
    EXPECT_EQ(Count("moved"), 1);
    EXPECT_EQ(log.back(), "moved");

    log.clear();
    for (int i = 0; i < 3; ++i) {
        Key(QEvent::KeyPress, Qt::Key_Up);
        Key(QEvent::KeyRelease, Qt::Key_Up);
    }
    EXPECT_EQ(Count("moving"), 3);
    EXPECT_EQ(Count("moved"), 3);
}

TEST_F(KnobTest, DraggingPastMaxStopsThereButKeepsMoving) {
    knob.SetValue(97);
    log.clear();
    Mouse(QEvent::MouseButtonPress, 20);
    for (int y : {18, 17, 16, 15, 15}) Mouse(QEvent::MouseMove, y);
    EXPECT_EQ(knob.Value(), 100);
    // 99, 100, then 101, 102 and 102 again are limited to 100 but still count as moves.
    EXPECT_EQ(log, (Log{"change", "moving", "change", "moving", "moving", "moving", "moving"}));
    Mouse(QEvent::MouseButtonRelease, 15);
    EXPECT_EQ(log.back(), "moved");
    EXPECT_EQ(Count("moved"), 1);
}

TEST_F(KnobTest, DragBackToTheStartEndsWithoutMoved) {
    knob.SetValue(50);
    Mouse(QEvent::MouseButtonPress, 20);
    Mouse(QEvent::MouseMove, 25);
    Mouse(QEvent::MouseMove, 20);
    Mouse(QEvent::MouseButtonRelease, 20);
    EXPECT_EQ(knob.Value(), 50);
    EXPECT_EQ(Count("moving"), 2);
    EXPECT_EQ(Count("moved"), 0);
    // Moving the mouse without a press drags nothing.
    Mouse(QEvent::MouseMove, 0);
    EXPECT_EQ(knob.Value(), 50);
}

TEST_F(KnobTest, SettersLimitSilently) {
    knob.SetValue(150);
    EXPECT_EQ(knob.Value(), 100);
    knob.SetValue(100);
    EXPECT_EQ(log, (Log{"change"}));

    knob.SetMax(40);  // lowers Value without an event
    EXPECT_EQ(knob.Value(), 40);
    knob.SetMin(60);  // at most Max
    EXPECT_EQ(knob.Min(), 40);
    EXPECT_EQ(knob.Value(), 40);
    knob.SetMin(-10);
    knob.SetValue(-20);
    EXPECT_EQ(knob.Value(), -10);
    EXPECT_EQ(log, (Log{"change", "change"}));

    knob.SetLargeChange(0);
    EXPECT_EQ(knob.LargeChange(), 1);
    knob.SetLargeChange(500);
    EXPECT_EQ(knob.LargeChange(), 40);
    knob.SetStartAngle(-5);
    knob.SetTotalAngle(400);
    EXPECT_EQ(knob.StartAngle(), 0);
    EXPECT_EQ(knob.TotalAngle(), 360);
}

TEST_F(KnobTest, KnobKeysWinOverTheWindowsShortcuts) {
    QWidget window;
    auto* child = new TQvKnob(&window);
    QAction home(&window);
    home.setShortcut(Qt::Key_Home);
    QAction refresh(&window);
    refresh.setShortcut(Qt::Key_F5);
    window.addAction(&home);
    window.addAction(&refresh);
    QSignalSpy homeSpy(&home, &QAction::triggered);
    QSignalSpy refreshSpy(&refresh, &QAction::triggered);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    child->setFocus();
    child->SetValue(50);

    QTest::keyClick(child, Qt::Key_Home);
    EXPECT_EQ(child->Value(), 0);
    EXPECT_EQ(homeSpy.count(), 0);
    // A key the knob does not use still reaches the window.
    QTest::keyClick(child, Qt::Key_F5);
    EXPECT_EQ(refreshSpy.count(), 1);
}

TEST_F(KnobTest, PressTakesTheFocus) {
    QWidget window;
    auto* other = new QWidget(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    auto* child = new TQvKnob(&window);
    child->move(40, 0);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QTest::mousePress(child, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_TRUE(child->hasFocus());
    QTest::mouseRelease(child, Qt::RightButton, {}, QPoint(10, 10));
}

// Keeps the regions the knob repaints.
class PaintRecordingKnob : public TQvKnob {
  public:
    std::vector<QRegion> painted;

  protected:
    void paintEvent(QPaintEvent* event) override {
        painted.push_back(event->region());
        TQvKnob::paintEvent(event);
    }
};

TEST_F(KnobTest, ValueChangeRepaintsOnlyTheDotAndTheValueText) {
    PaintRecordingKnob recorder;
    recorder.resize(29, 37);
    recorder.SetOffset(5);
    recorder.SetValue(50);
    recorder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&recorder));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.painted.empty(); }));
    recorder.painted.clear();

    recorder.SetValue(60);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.painted.empty(); }));
    QRegion painted;
    for (const QRegion& region : recorder.painted) painted += region;
    const TKnobLayout layout = recorder.Layout();
    const int r1 = IndicatorRadius(layout);
    for (int value : {50, 60}) {
        const QRect dot =
            IndicatorBox(layout, IndicatorDelta(IndicatorAngle(value, 0, 100, 120, 300), r1));
        EXPECT_TRUE(QRegion(dot).subtracted(painted).isEmpty()) << value;
    }
    // The body's lower half and the captions are left alone.
    EXPECT_FALSE(painted.intersects(QRect(0, 30, 29, 7)));
}

}  // namespace
}  // namespace controls
