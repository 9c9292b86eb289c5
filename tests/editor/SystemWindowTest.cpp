#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "controls/Colors.h"
#include "controls/MidiCheckBox.h"
#include "controls/MidiComboBox.h"
#include "controls/MidiKnob.h"
#include "controls/MidiUpDown.h"
#include "editor/shell/Help.h"
#include "editor/patch/PatchPanel.h"
#include "editor/system/SystemWindow.h"
#include "midilink/DumpCollection.h"
#include "td7/map/Retarget.h"
#include "tests/editor/InstrumentHarness.h"

namespace {

using insttest::Bytes;
using insttest::DataSet;

class SystemWindow : public ::testing::Test {
  protected:
    SystemWindow() {
        editor::TSystemServices services;
        services.Dumps = &mirror.dumps;
        services.Link = &mirror.link;
        services.Viewer = &mirror.viewer;
        window = std::make_unique<editor::TfmSystem>(services);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    midilink::TMidiDump& Record() { return mirror.dumps.SystemDump.Records(0); }

    // The record as the module would send it, shown through the collection.
    void Receive(int dumpIndex, std::uint8_t value) {
        Record().SetBytes(dumpIndex, value);
        mirror.dumps.SystemDump.UpdateComs();
    }

    template <class Control>
    Control* Get(const char* name) {
        auto* control = dynamic_cast<Control*>(window->Control(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    static QString ValueTextOf(controls::TMidiKnob* knob) {
        QString text = QString::number(knob->Value());
        if (knob->OnValueText) knob->OnValueText(knob, text);
        return text;
    }

    void Press(QWidget* widget, Qt::Key key) {
        widget->setFocus();
        QTest::keyClick(widget, key);
    }

    insttest::Mirror mirror;
    std::unique_ptr<editor::TfmSystem> window;
};

TEST_F(SystemWindow, PerformanceChannelsShowOffAtTheirMaximum) {
    auto* prf2 = Get<controls::TMidiKnob>("Prf2Chan");
    Press(prf2, Qt::Key_End);
    EXPECT_EQ(prf2->Value(), 17);
    EXPECT_EQ(ValueTextOf(prf2), "Off");
    EXPECT_EQ(Record().Bytes(12), 16);  // data offset 3
    EXPECT_EQ(mirror.Sent().back(), DataSet({0x03, 0x00, 0x00, 0x03, 16}));

    Press(prf2, Qt::Key_Down);
    EXPECT_EQ(ValueTextOf(prf2), "16");
    EXPECT_EQ(Record().Bytes(12), 15);
    EXPECT_EQ(mirror.Sent().back(), DataSet({0x03, 0x00, 0x00, 0x03, 15}));

    // A received 16 shows "Off" on the others too, and sends nothing.
    mirror.link.messages.clear();
    Receive(11, 16);
    EXPECT_EQ(ValueTextOf(Get<controls::TMidiKnob>("Prf1Chan")), "Off");
    Receive(13, 0);
    EXPECT_EQ(ValueTextOf(Get<controls::TMidiKnob>("Prf3Chan")), "1");
    EXPECT_TRUE(mirror.Sent().empty());
}

TEST_F(SystemWindow, PitchBendShowsOffAtZero) {
    auto* bend = Get<controls::TMidiKnob>("PitchBend");
    Press(bend, Qt::Key_Home);
    EXPECT_EQ(ValueTextOf(bend), "Off");
    Press(bend, Qt::Key_Up);
    EXPECT_EQ(ValueTextOf(bend), "1");
    EXPECT_EQ(mirror.Sent().back(), DataSet({0x03, 0x00, 0x00, 0x08, 1}));
}

TEST_F(SystemWindow, TransmitChannelFieldsShowOneToSixteenForZeroToFifteen) {
    struct Channel {
        const char* name;
        int dumpIndex;
    };
    for (const Channel channel :
         {Channel{"TrigTxCh", 9}, Channel{"InstTxCh", 10}, Channel{"CtrlTxCh", 14}}) {
        QLineEdit* field = window->Field(channel.name);
        ASSERT_NE(field, nullptr) << channel.name;
        for (int stored = 0; stored < 16; ++stored) {
            Receive(channel.dumpIndex, static_cast<std::uint8_t>(stored));
            EXPECT_EQ(field->text(), QString::number(stored + 1)) << channel.name;
            // The form's default is the shown 10, so a stored 9 is the default.
            const QColor expected = stored == 9 ? QColor(Qt::black) : QColor(Qt::blue);
            EXPECT_EQ(field->palette().color(QPalette::Text), expected) << stored;
        }
    }
    EXPECT_TRUE(mirror.Sent().empty());

    // A click on the upper arrow steps and sends.
    Receive(9, 4);
    auto* upDown = Get<controls::TMidiUpDown>("TrigTxCh");
    QTest::mouseClick(upDown, Qt::LeftButton, {}, QPoint(upDown->width() / 2, 3));
    EXPECT_EQ(window->Field("TrigTxCh")->text(), "6");
    EXPECT_EQ(Record().Bytes(9), 5);
    EXPECT_EQ(mirror.Sent().back(), DataSet({0x03, 0x00, 0x00, 0x00, 5}));
}

// A channel typed into its field takes effect as the program number's does: on Enter, which
// leaves the window open, or on leaving the field; beyond the range it is limited.
TEST_F(SystemWindow, TypedChannelsTakeEffectOnEnterOrLeavingTheField) {
    QLineEdit* field = window->Field("TrigTxCh");
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "12");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(field->text(), "12");
    EXPECT_EQ(Record().Bytes(9), 11);
    EXPECT_EQ(mirror.Sent().back(), DataSet({0x03, 0x00, 0x00, 0x00, 11}));

    QLineEdit* inst = window->Field("InstTxCh");
    inst->setFocus();
    inst->selectAll();
    QTest::keyClicks(inst, "99");
    Get<controls::TMidiKnob>("InstLevel")->setFocus();
    EXPECT_EQ(inst->text(), "16");
    EXPECT_EQ(Record().Bytes(10), 15);
    EXPECT_EQ(mirror.Sent().back(), DataSet({0x03, 0x00, 0x00, 0x01, 15}));
    EXPECT_TRUE(mirror.errors.empty());
}

TEST_F(SystemWindow, CombosAndCheckBoxesStoreAndSendAtTheFixedAddress) {
    auto* rx = Get<controls::TMidiCheckBox>("RxProgChange");
    EXPECT_EQ(rx->text(), "Prog Change Rx:");
    EXPECT_EQ(rx->layoutDirection(), Qt::RightToLeft);  // the caption left of the box
    Receive(21, 1);
    ASSERT_TRUE(rx->isChecked());
    QTest::mouseClick(rx, Qt::LeftButton, {}, rx->rect().center());
    EXPECT_FALSE(rx->isChecked());
    EXPECT_EQ(mirror.Sent().back(), DataSet({0x03, 0x00, 0x00, 0x0C, 0}));
    EXPECT_EQ(Record().Bytes(21), 0);

    auto* mode = Get<controls::TMidiComboBox>("InterfaceMode");
    EXPECT_EQ(mode->itemText(2), "Trig To Midi");
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Down);
    EXPECT_EQ(mirror.Sent().back(), DataSet({0x03, 0x00, 0x00, 0x11, 1}));
    EXPECT_EQ(Record().Bytes(26), 1);
    EXPECT_TRUE(mirror.errors.empty());
}

TEST_F(SystemWindow, ViewShowsTheSealedSystemRecord) {
    // As the module sends it: the header comes with the message.
    Bytes block(23, 0);
    block[0] = 9;
    block[1] = 10;
    Bytes address{0x03, 0x00, 0x00, 0x00};
    address.insert(address.end(), block.begin(), block.end());
    const Bytes message = insttest::DataSet(address);
    ASSERT_TRUE(mirror.link.OfferSysex(message.data(), static_cast<int>(message.size())));
    insttest::WhileModal(
        mirror.viewer,
        [&] { QTest::mouseClick(window->findChild<QPushButton*>("Button2"), Qt::LeftButton); },
        [&] {
            const QStringList lines = mirror.viewer.Memo1()->toPlainText().split('\n');
            ASSERT_EQ(lines.size(), 3);  // 34 bytes
            EXPECT_TRUE(lines[0].startsWith("F0 41 10 58 12 03 00 00 00 09 0A "));
            EXPECT_TRUE(lines[2].trimmed().endsWith("F7"));
        });
}

TEST_F(SystemWindow, F1ShowsTheSystemWindowsHelpPage) {
    QWidget* knob = window->Control("PitchBend");
    knob->setFocus();
    QTest::keyClick(knob, Qt::Key_F1);
    ASSERT_NE(window->HelpWindow(), nullptr);
    EXPECT_EQ(window->HelpWindow()->CurrentAnchor(), "11");
}

TEST_F(SystemWindow, EveryControlOfTheTableSitsInThePanelWithoutOverlapping) {
    editor::TPatchPanel* panel = window->gbSystem();
    for (const td7::TParameter* row : td7::PanelMembers(td7::PanelId::System)) {
        QWidget* control = window->Control(row->Name);
        ASSERT_NE(control, nullptr) << row->Name;
        EXPECT_EQ(control->parentWidget(), panel);
    }
    const QList<QWidget*> children = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(children.size(), 23 + 3 + 8 + 5);  // controls, fields, labels, knob captions
    insttest::ExpectLaidOut(panel);
}

}  // namespace
