#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>

#include "controls/Error.h"
#include "controls/MidiCheckBox.h"
#include "controls/MidiComboBox.h"
#include "controls/MidiKnob.h"
#include "controls/MidiUpDown.h"
#include "midilink/DeviceIds.h"
#include "midilink/DumpCollection.h"
#include "tests/controls/TestApp.h"
#include "tests/support/RecordingLink.h"

namespace controls {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A data set of one byte at address 00 00 00 28, device 10h.
Bytes DataSet(std::uint8_t value) {
    const std::uint8_t sum = static_cast<std::uint8_t>(0x28 + value);
    return {0xF0,
            0x41,
            0x10,
            0x58,
            0x12,
            0x00,
            0x00,
            0x00,
            0x28,
            value,
            static_cast<std::uint8_t>((0x80 - sum % 128) & 0x7F),
            0xF7};
}

class BoundControlsTest : public controls_test::WithTestApp, public ::testing::Test {
  protected:
    void SetUp() override {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, 0x10);
        previousHandler =
            SetErrorHandler([this](QWidget*, const std::string& text) { errors.push_back(text); });
    }
    void TearDown() override { SetErrorHandler(previousHandler); }

    void Bind(midilink::TValueMidiCom& com, int defaultValue = 0) {
        com.SetMidiLink(&link);
        com.SetChecksumType(midilink::ctRoland);
        com.SetMidiCommand("F041v0581200000028d000F7");
        com.SetDefault(defaultValue);
    }
    static void Key(QWidget* target, QEvent::Type type, int key) {
        QKeyEvent event(type, key, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    // Wheel notches over a control (120 eighths of a degree each; negative turns down).
    static void Wheel(QWidget* target, int eighths, Qt::KeyboardModifiers modifiers = {}) {
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, eighths), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }

    testsupport::RecordingLink link;
    std::vector<std::string> errors;
    ErrorHandler previousHandler;
};

// ---- knob

TEST_F(BoundControlsTest, KnobSendsOnKeyDownAndAgainOnRelease) {
    TMidiKnob knob;
    EXPECT_EQ(knob.Max(), 127);
    Bind(knob.MidiCom(), 1);
    knob.ValueFromBinding(&knob.MidiCom(), 1);
    EXPECT_EQ(knob.FontColor(), clBlack);
    EXPECT_TRUE(link.messages.empty());

    Key(&knob, QEvent::KeyPress, Qt::Key_Up);
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(2)}));
    EXPECT_EQ(knob.FontColor(), clBlue);
    Key(&knob, QEvent::KeyRelease, Qt::Key_Up);
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(2), DataSet(2)}));

    Key(&knob, QEvent::KeyPress, Qt::Key_Down);
    EXPECT_EQ(link.LongMessages().back(), DataSet(1));
    EXPECT_EQ(knob.FontColor(), clBlack);
}

TEST_F(BoundControlsTest, KnobWheelStepsANotchAtATimeAndAPageWithCtrl) {
    TMidiKnob knob;
    Bind(knob.MidiCom());
    knob.ValueFromBinding(&knob.MidiCom(), 20);
    // A notch sends as a key step does: the step, then the end of the move.
    Wheel(&knob, 120);
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(21), DataSet(21)}));
    link.messages.clear();
    Wheel(&knob, -120, Qt::ControlModifier);
    EXPECT_EQ(knob.Value(), 21 - knob.LargeChange());
    EXPECT_EQ(link.LongMessages().size(), 2u);
    // Half notches of a fine wheel add up; at the limit nothing more is sent.
    link.messages.clear();
    Wheel(&knob, 60);
    EXPECT_TRUE(link.messages.empty());
    Wheel(&knob, 60);
    EXPECT_EQ(knob.Value(), 22 - knob.LargeChange());
    knob.ValueFromBinding(&knob.MidiCom(), 127);
    link.messages.clear();
    Wheel(&knob, 120);
    EXPECT_TRUE(link.messages.empty());
}

TEST_F(BoundControlsTest, KnobShowsARecordWithoutSendingAndStoresWhatTheUserSets) {
    midilink::TDumpCollection dump("ProgDump");
    dump.SetSize(12);
    dump.SetHeaderSize(9);
    dump.SetCount(2);
    dump.Records(1).SetBytes(9, 5);
    TMidiKnob knob;
    Bind(knob.MidiCom());
    knob.MidiCom().SetMidiDump(&dump);
    knob.MidiCom().SetDumpIndex(9);
    int changes = 0;
    knob.OnValueChange = [&](TQvKnob*) { ++changes; };

    dump.SetIndex(1);
    EXPECT_EQ(knob.Value(), 5);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(knob.FontColor(), clBlue);
    EXPECT_TRUE(link.messages.empty());

    Key(&knob, QEvent::KeyPress, Qt::Key_PageDown);
    EXPECT_EQ(dump.Records(1).Bytes(9), 15);
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(15)}));
    dump.SetIndex(0);
    EXPECT_EQ(knob.Value(), 0);
    EXPECT_EQ(knob.FontColor(), clBlack);
}

TEST_F(BoundControlsTest, KnobDragSendsEachStepAndTheEnd) {
    TMidiKnob knob;
    Bind(knob.MidiCom());
    QTest::mousePress(&knob, Qt::LeftButton, {}, QPoint(10, 20));
    for (int y : {19, 18}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(10, y), knob.mapToGlobal(QPointF(10, y)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&knob, &move);
    }
    QTest::mouseRelease(&knob, Qt::LeftButton, {}, QPoint(10, 18));
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(1), DataSet(2), DataSet(2)}));
}

TEST_F(BoundControlsTest, AFailedStoreIsReportedAndNothingSent) {
    midilink::TDumpCollection dump("ProgDump");
    dump.SetSize(12);
    dump.SetCount(1);
    TMidiKnob knob;
    Bind(knob.MidiCom());
    knob.MidiCom().SetMidiDump(&dump);
    knob.MidiCom().SetDumpIndex(9);
    Key(&knob, QEvent::KeyPress, Qt::Key_Up);
    EXPECT_EQ(errors,
              (std::vector<std::string>{"Cannot write data to unindexed collection (ProgDump)"}));
    EXPECT_TRUE(link.messages.empty());
}

// ---- combo box

class ComboTest : public BoundControlsTest {
  protected:
    void SetUp() override {
        BoundControlsTest::SetUp();
        combo.addItem("Off");
        for (int i = 1; i <= 48; ++i) combo.addItem(QString::number(i));
        Bind(combo.MidiCom());
        combo.OnClick = [this](TMidiComboBox*) { events.push_back("click"); };
        combo.OnChange = [this](TMidiComboBox*) {
            events.push_back("change after " + std::to_string(link.messages.size()));
        };
        combo.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&combo));
    }

    // Opens the list, moves to the item and takes it with Return, as the user does. (The
    // list ignores mouse releases for a moment after it opens.)
    void Choose(int index) {
        combo.showPopup();
        QAbstractItemView* view = combo.view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
        view->setCurrentIndex(view->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_FALSE(view->window()->isVisible());
    }

    TMidiComboBox combo;
    std::vector<std::string> events;
};

TEST_F(ComboTest, ChoosingAnItemSendsItsIndexOnce) {
    Choose(3);
    EXPECT_EQ(combo.currentText(), "3");
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(3)}));
    EXPECT_EQ(events, (std::vector<std::string>{"click", "change after 1"}));
}

TEST_F(ComboTest, ChoosingTheSelectedItemAgainSendsNothing) {
    combo.ValueFromBinding(&combo.MidiCom(), 3);
    EXPECT_TRUE(link.messages.empty());
    Choose(3);
    EXPECT_TRUE(link.messages.empty());
    EXPECT_EQ(events.front(), "click");
    Choose(5);
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(5)}));
    // A keyboard step on the closed box is a choice of its own.
    Key(&combo, QEvent::KeyPress, Qt::Key_Down);
    EXPECT_EQ(link.LongMessages().back(), DataSet(6));
}

TEST_F(ComboTest, ShownValueColoursAgainstDefault) {
    combo.MidiCom().SetDefault(2);
    combo.ValueFromBinding(&combo.MidiCom(), 2);
    EXPECT_EQ(combo.currentIndex(), 2);
    EXPECT_EQ(combo.FontColor(), clBlack);
    combo.ValueFromBinding(&combo.MidiCom(), 7);
    EXPECT_EQ(combo.FontColor(), clHighlight);
    combo.SetNonDefaultColor(clBlue);
    EXPECT_EQ(combo.FontColor(), clBlue);
    // No such item: nothing selected, shown as -1.
    combo.ValueFromBinding(&combo.MidiCom(), 60);
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_TRUE(link.messages.empty());
}

TEST_F(ComboTest, ValuesGiveTheItemsTheirNumbers) {
    combo.clear();
    combo.addItems({"a", "b", "c", "d"});
    combo.SetValues({"2", "0", "1"});
    combo.ValueFromBinding(&combo.MidiCom(), 1);  // found among the Values
    EXPECT_EQ(combo.currentIndex(), 2);
    combo.ValueFromBinding(&combo.MidiCom(), 3);  // beyond them: an item index
    EXPECT_EQ(combo.currentIndex(), 3);
    Choose(0);
    Choose(3);
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(2), DataSet(3)}));
}

TEST_F(ComboTest, CommandModeSendsTheItemsOwnCommand) {
    EXPECT_THROW(
        {
            try {
                combo.SetValueMode(vmCommand);
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(),
                             "Number of values must be equal to number of items in this mode");
                throw;
            }
        },
        Error);
    EXPECT_EQ(combo.ValueMode(), vmValue);

    combo.clear();
    combo.addItems({"Hall", "Room"});
    combo.SetValues({"C9d0", "C905"});
    combo.SetValueMode(vmCommand);
    combo.MidiCom().SetDefault(1);
    Choose(1);
    ASSERT_EQ(link.messages.size(), 1u);
    EXPECT_EQ(link.messages[0].shortMessage, 0x05C9u);
    EXPECT_EQ(combo.MidiCom().MidiCommand(), "C905");
    EXPECT_EQ(combo.FontColor(), clBlack);

    // Items added later break the pairing: the choice reports the failure.
    combo.addItem("Plate");
    Choose(2);
    EXPECT_EQ(errors, (std::vector<std::string>{
                          "Number of values must be equal to number of items in this mode"}));
    EXPECT_EQ(link.messages.size(), 1u);
}

TEST_F(ComboTest, OwnerDrawingDrawsTheFaceAndTheListLines) {
    std::vector<std::pair<int, bool>> drawn;  // index, face
    combo.OnDrawItem = [&](TMidiComboBox*, int index, QPainter& painter, const QRect& rect,
                           TDrawItemState state) {
        drawn.emplace_back(index, state.comboBoxEdit);
        if (index == 2) throw Error("Instrument dump is corrupted");
        painter.drawText(rect, Qt::AlignVCenter,
                         QString("%1: drawn").arg(index, 3, 10, QChar('0')));
    };
    combo.SetItemHeight(14);
    combo.ValueFromBinding(&combo.MidiCom(), 4);
    combo.grab();
    EXPECT_EQ(drawn, (std::vector<std::pair<int, bool>>{{4, true}}));

    drawn.clear();
    combo.showPopup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.size() >= 5; }));
    QAbstractItemView* view = combo.view();
    EXPECT_EQ(view->visualRect(view->model()->index(1, 0)).height(), 14);
    bool sawLine3 = false;
    for (auto [index, face] : drawn) sawLine3 |= index == 3 && !face;
    EXPECT_TRUE(sawLine3);  // drawn after the failing line 2
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.front(), "Instrument dump is corrupted");
    combo.hidePopup();
}

// ---- check box

TEST_F(BoundControlsTest, ProgramChangeBoxWithInvertedValues) {
    TMidiCheckBox box("Program:");
    box.SetCheckedValue(0);
    box.SetUnCheckedValue(1);
    Bind(box.MidiCom());
    std::vector<std::size_t> sentAtUserClick;
    box.OnUserClick = [&](TMidiCheckBox*) { sentAtUserClick.push_back(link.messages.size()); };

    box.ValueFromBinding(&box.MidiCom(), 0);
    EXPECT_EQ(box.checkState(), Qt::Checked);
    EXPECT_EQ(box.palette().color(QPalette::WindowText), QColor(Qt::black));
    box.ValueFromBinding(&box.MidiCom(), 1);
    EXPECT_EQ(box.checkState(), Qt::Unchecked);
    EXPECT_EQ(box.palette().color(QPalette::WindowText), QColor(Qt::blue));
    box.ValueFromBinding(&box.MidiCom(), 7);
    EXPECT_EQ(box.checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(box.palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_TRUE(link.messages.empty());
    EXPECT_TRUE(sentAtUserClick.empty());

    // A click on a grayed box checks it.
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
    EXPECT_EQ(box.checkState(), Qt::Checked);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
    EXPECT_EQ(box.checkState(), Qt::Unchecked);
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(0), DataSet(1)}));
    EXPECT_EQ(sentAtUserClick, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(box.palette().color(QPalette::WindowText), QColor(Qt::blue));
}

TEST_F(BoundControlsTest, CheckBoxWithEqualValuesShowsChecked) {
    TMidiCheckBox box;
    box.SetCheckedValue(3);
    box.SetUnCheckedValue(3);
    box.ValueFromBinding(&box.MidiCom(), 3);
    EXPECT_EQ(box.checkState(), Qt::Checked);
}

// ---- up-down

class UpDownTest : public BoundControlsTest {
  protected:
    void SetUp() override {
        BoundControlsTest::SetUp();
        field.setReadOnly(true);
        upDown.SetMin(1);
        upDown.SetMax(16);
        upDown.SetAssociate(&field);
        Bind(upDown.MidiCom(), 10);
        upDown.MidiCom().SetOffset(-1);
        upDown.resize(15, 21);
        upDown.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&upDown));
    }
    void Press(TUpDown::TUDBtnType button) {
        const QPoint at(7, button == TUpDown::btNext ? 4 : 16);
        QTest::mouseClick(&upDown, Qt::LeftButton, {}, at);
    }

    QLineEdit field;
    TMidiUpDown upDown;
};

TEST_F(UpDownTest, StepsSendTheShownNumberAndColourTheField) {
    upDown.ValueFromBinding(&upDown.MidiCom(), 10);
    EXPECT_EQ(field.text(), "10");
    EXPECT_EQ(field.palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_TRUE(link.messages.empty());

    Press(TUpDown::btNext);
    EXPECT_EQ(upDown.Position(), 11);
    EXPECT_EQ(field.text(), "11");
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(10)}));  // Offset -1
    EXPECT_EQ(field.palette().color(QPalette::Text), QColor(Qt::blue));

    Press(TUpDown::btPrev);
    EXPECT_EQ(link.LongMessages().back(), DataSet(9));
    EXPECT_EQ(field.palette().color(QPalette::Text), QColor(Qt::black));

    // The arrow keys pressed in the field step too.
    Key(&field, QEvent::KeyPress, Qt::Key_Down);
    EXPECT_EQ(field.text(), "9");
    EXPECT_EQ(link.LongMessages().back(), DataSet(8));
}

TEST_F(UpDownTest, NoStepAtALimitOrWhenRefused) {
    upDown.ValueFromBinding(&upDown.MidiCom(), 16);
    Press(TUpDown::btNext);
    EXPECT_TRUE(link.messages.empty());
    upDown.OnChanging = [](TUpDown*, bool& allow) { allow = false; };
    Press(TUpDown::btPrev);
    EXPECT_EQ(upDown.Position(), 16);
    EXPECT_TRUE(link.messages.empty());
}

TEST_F(UpDownTest, WheelAndPageKeysStepOverButtonsAndField) {
    upDown.ValueFromBinding(&upDown.MidiCom(), 10);
    Wheel(&upDown, 120);
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(10)}));
    Wheel(&field, -240);
    EXPECT_EQ(upDown.Position(), 9);
    EXPECT_EQ(link.LongMessages().size(), 3u);
    Key(&field, QEvent::KeyPress, Qt::Key_PageDown);
    EXPECT_EQ(upDown.Position(), 1);
    EXPECT_EQ(link.LongMessages().back(), DataSet(0)) << "limited to Min, sent once";
    Key(&field, QEvent::KeyPress, Qt::Key_PageUp);
    EXPECT_EQ(upDown.Position(), 11);
    EXPECT_EQ(link.LongMessages().size(), 5u);
    // Off: neither the wheel nor the keys move it.
    upDown.setEnabled(false);
    Wheel(&upDown, 120);
    Key(&field, QEvent::KeyPress, Qt::Key_PageUp);
    EXPECT_EQ(upDown.Position(), 11);
    EXPECT_EQ(link.LongMessages().size(), 5u);
}

TEST_F(UpDownTest, ATypedNumberTakesEffectOnceOnEnterOrLeavingWithinTheRange) {
    QLineEdit typed;
    upDown.SetAssociate(&typed);
    upDown.ValueFromBinding(&upDown.MidiCom(), 10);
    typed.show();
    typed.activateWindow();
    typed.setFocus();
    // Enter: limited to Max, sent once; the field shows what took effect.
    typed.selectAll();
    QTest::keyClicks(&typed, "x200");
    EXPECT_EQ(typed.text(), "200") << "digits only";
    QTest::keyClick(&typed, Qt::Key_Return);
    EXPECT_EQ(upDown.Position(), 16);
    EXPECT_EQ(typed.text(), "16");
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(15)}));
    // Leaving the field: the typed number, once; leaving again sends nothing.
    typed.setText("3");
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&typed, &out);
    QApplication::sendEvent(&typed, &out);
    EXPECT_EQ(upDown.Position(), 3);
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(15), DataSet(2)}));
    // An emptied field shows the number again; a disabled up-down takes nothing typed.
    typed.setText("");
    QApplication::sendEvent(&typed, &out);
    EXPECT_EQ(typed.text(), "3");
    upDown.setEnabled(false);
    EXPECT_TRUE(typed.isReadOnly());
    upDown.setEnabled(true);
    EXPECT_FALSE(typed.isReadOnly());
    // A read-only field stays one and takes nothing typed.
    upDown.SetAssociate(&field);
    field.setText("7");
    QApplication::sendEvent(&field, &out);
    EXPECT_TRUE(field.isReadOnly());
    EXPECT_EQ(upDown.Position(), 3);
    EXPECT_EQ(link.LongMessages().size(), 2u);
}

TEST_F(UpDownTest, WithoutAssociateStillStoresAndSends) {
    upDown.SetAssociate(nullptr);
    field.setText("unchanged");
    upDown.ValueFromBinding(&upDown.MidiCom(), 3);
    Press(TUpDown::btNext);
    EXPECT_EQ(link.LongMessages(), (std::vector<Bytes>{DataSet(3)}));
    EXPECT_EQ(field.text(), "unchanged");
}

}  // namespace
}  // namespace controls
