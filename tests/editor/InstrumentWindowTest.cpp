#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "controls/Colors.h"
#include "controls/MidiKnob.h"
#include "editor/shell/Help.h"
#include "editor/instrument/InstrumentList.h"
#include "editor/instrument/InstrumentNameEdit.h"
#include "editor/instrument/InstrumentWindow.h"
#include "editor/instrument/PatchLookupSwitch.h"
#include "editor/patch/PatchPanel.h"
#include "midilink/DumpCollection.h"
#include "td7/map/Retarget.h"
#include "tests/editor/InstrumentHarness.h"

namespace {

using insttest::Bytes;
using insttest::DataSet;

class InstrumentWindow : public ::testing::Test {
  protected:
    InstrumentWindow() {
        editor::TInstrumentServices services;
        services.Dumps = &mirror.dumps;
        services.Link = &mirror.link;
        services.Present = &mirror.present;
        services.Viewer = &mirror.viewer;
        window = std::make_unique<editor::TfmInstrument>(services);
    }

    void Show() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void SetName(int i, const char* name, char type) {
        midilink::TMidiDump& record = mirror.dumps.InstrumentDump.Records(i);
        for (int k = 0; k < 5; ++k) record.SetBytes(9 + k, static_cast<std::uint8_t>(name[k]));
        record.SetBytes(14, static_cast<std::uint8_t>(type));
    }

    controls::TMidiKnob* Knob(const char* name) {
        auto* knob = dynamic_cast<controls::TMidiKnob*>(window->Control(name));
        EXPECT_NE(knob, nullptr) << name;
        return knob;
    }

    static QString ValueTextOf(controls::TMidiKnob* knob) {
        QString text = QString::number(knob->Value());
        if (knob->OnValueText) knob->OnValueText(knob, text);
        return text;
    }

    // A key that types a character the test keyboard has no key for.
    static void TypeCharacter(QWidget* field, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(field, &release);
    }

    // Turns a knob with a key as the user does: the step and the end of the move send.
    void Turn(controls::TMidiKnob* knob, Qt::Key key) {
        knob->setFocus();
        QTest::keyClick(knob, key);
    }

    void Select(int i) {
        editor::TInstrumentList* list = window->lbInst();
        list->scrollTo(list->model()->index(i, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(i, 0)).center());
    }

    insttest::Mirror mirror;
    std::unique_ptr<editor::TfmInstrument> window;
};

TEST_F(InstrumentWindow, SelectingAnInstrumentMakesItCurrentAndAddressesItsMessages) {
    Show();
    EXPECT_EQ(mirror.dumps.InstrumentDump.Index(), 0);

    // Keys in the list: down from 127 reaches 128, End reaches 511.
    window->lbInst()->SetItemIndex(127);
    window->lbInst()->setFocus();
    QTest::keyClick(window->lbInst(), Qt::Key_Down);
    EXPECT_EQ(mirror.dumps.InstrumentDump.Index(), 128);
    EXPECT_EQ(window->Instrument(), 128);
    Turn(Knob("Level"), Qt::Key_Up);
    ASSERT_EQ(mirror.Sent().size(), 2u);  // the step and the end of the move
    EXPECT_EQ(mirror.Sent()[0], DataSet({0x01, 0x01, 0x00, 0x15, 0x01}));
    EXPECT_EQ(mirror.dumps.InstrumentDump.Records(128).Bytes(30), 1);

    window->lbInst()->setFocus();
    QTest::keyClick(window->lbInst(), Qt::Key_End);
    EXPECT_EQ(mirror.dumps.InstrumentDump.Index(), 511);
    mirror.link.messages.clear();
    Turn(Knob("Pitch"), Qt::Key_Down);  // two bytes: -1 is stored as 1023 in ten bits
    ASSERT_FALSE(mirror.Sent().empty());
    const Bytes pitch = mirror.Sent().back();
    ASSERT_EQ(pitch.size(), 13u);
    EXPECT_EQ(Bytes(pitch.begin() + 5, pitch.begin() + 9), (Bytes{0x01, 0x03, 0x7F, 0x0A}));
    EXPECT_EQ(mirror.dumps.InstrumentDump.Records(511).Bytes(19), 0x07);
    EXPECT_EQ(mirror.dumps.InstrumentDump.Records(511).Bytes(20), 0x7F);

    // Clicking a line, and the sound buttons' way in, select as well.
    Select(3);
    EXPECT_EQ(mirror.dumps.InstrumentDump.Index(), 3);
    window->hide();
    window->lbInst()->SetItemIndex(200);
    window->show();
    EXPECT_EQ(mirror.dumps.InstrumentDump.Index(), 200);
    EXPECT_TRUE(mirror.errors.empty());
}

TEST_F(InstrumentWindow, ListLinesShowNumberAndNameText) {
    SetName(0, "Kick1", 'K');
    SetName(511, "Bass2", 'B');
    EXPECT_EQ(window->lbInst()->LineText(0), "  1: Kick1.K");
    EXPECT_EQ(window->lbInst()->LineText(511), "512: Bass2.B");
    // A record never filled shows blanks, not control characters.
    EXPECT_EQ(window->lbInst()->LineText(7), "  8:      . ");
    EXPECT_EQ(window->lbInst()->model()->rowCount(), 512);
}

TEST_F(InstrumentWindow, LeavingTheNameSendsOneMessagePerChangedCharacter) {
    SetName(0, "Kick1", 'K');
    Show();
    EXPECT_EQ(window->edName()->text(), "Kick1");
    EXPECT_EQ(window->edName2()->text(), "K");

    window->edName()->setFocus();
    window->edName()->selectAll();
    QTest::keyClicks(window->edName(), "Ab");
    EXPECT_TRUE(mirror.Sent().empty());  // nothing before the field is left
    QTest::keyClick(window->edName(), Qt::Key_Tab);
    const std::vector<Bytes> expected = {
        DataSet({0x01, 0x00, 0x00, 0x00, 'A'}), DataSet({0x01, 0x00, 0x00, 0x01, 'b'}),
        DataSet({0x01, 0x00, 0x00, 0x02, ' '}), DataSet({0x01, 0x00, 0x00, 0x03, ' '}),
        DataSet({0x01, 0x00, 0x00, 0x04, ' '})};
    EXPECT_EQ(mirror.Sent(), expected);
    EXPECT_EQ(window->lbInst()->LineText(0), "  1: Ab   .K");
    EXPECT_EQ(window->edName()->text(), "Ab   ");
    EXPECT_TRUE(mirror.dumps.InstrumentDump.Modified());

    // Only positions that differ go out: "Abxy " typed over "Ab   " changes two.
    mirror.link.messages.clear();
    window->edName()->setFocus();
    window->edName()->selectAll();
    QTest::keyClicks(window->edName(), "Abxy");
    QTest::keyClick(window->edName(), Qt::Key_Tab);
    EXPECT_EQ(mirror.Sent(), (std::vector<Bytes>{DataSet({0x01, 0x00, 0x00, 0x02, 'x'}),
                                                 DataSet({0x01, 0x00, 0x00, 0x03, 'y'})}));

    // Leaving it unchanged sends nothing.
    mirror.link.messages.clear();
    window->edName()->setFocus();
    QTest::keyClick(window->edName(), Qt::Key_Tab);
    EXPECT_TRUE(mirror.Sent().empty());
}

TEST_F(InstrumentWindow, PassingThroughTheFieldsLeavesControlCharactersOfTheRecordAlone) {
    SetName(0, "Kick1", '\x01');
    Show();
    EXPECT_EQ(window->edName2()->text(), " ");
    window->edName2()->setFocus();
    QTest::keyClick(window->edName2(), Qt::Key_Tab);
    window->edName()->setFocus();
    QTest::keyClick(window->edName(), Qt::Key_Tab);
    EXPECT_TRUE(mirror.Sent().empty());
    EXPECT_EQ(mirror.dumps.InstrumentDump.Records(0).Bytes(14), 0x01);
}

TEST_F(InstrumentWindow, NameOfAHighInstrumentAndTheCloseKeysKeepWhatWasTyped) {
    SetName(300, "Snare", 'S');
    window->lbInst()->SetItemIndex(300);
    Show();
    window->edName()->setFocus();
    window->edName()->selectAll();
    QTest::keyClicks(window->edName(), "Snar2");
    // Enter closes the window with the focus still in the field.
    QTest::keyClick(window->edName(), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(mirror.Sent(), std::vector<Bytes>{DataSet({0x01, 0x02, 0x2C, 0x04, '2'})});
    EXPECT_EQ(mirror.dumps.InstrumentDump.Index(), 300);  // stays after closing
}

TEST_F(InstrumentWindow, AnEmptiedTypeFieldIsOneBlank) {
    SetName(2, "Tom 1", 'T');
    SetName(4, "Tom 2", ' ');
    Show();
    Select(2);
    window->edName2()->setFocus();
    QTest::keyClick(window->edName2(), Qt::Key_End);
    QTest::keyClick(window->edName2(), Qt::Key_Backspace);
    EXPECT_EQ(window->edName2()->text(), "");
    QTest::keyClick(window->edName2(), Qt::Key_Tab);
    EXPECT_EQ(window->edName2()->text(), " ");
    EXPECT_EQ(mirror.Sent(), std::vector<Bytes>{DataSet({0x01, 0x00, 0x02, 0x05, ' '})});
    EXPECT_EQ(window->lbInst()->LineText(2), "  3: Tom 1. ");

    // Already a blank: emptying it sends nothing.
    mirror.link.messages.clear();
    Select(4);
    window->edName2()->setFocus();
    window->edName2()->selectAll();
    QTest::keyClick(window->edName2(), Qt::Key_Delete);
    QTest::keyClick(window->edName2(), Qt::Key_Tab);
    EXPECT_TRUE(mirror.Sent().empty());
}

TEST_F(InstrumentWindow, TypingRulesAndPastedCharactersKeepEveryByteWithinSevenBits) {
    SetName(0, "Kick1", 'K');
    Show();
    window->edName()->setFocus();
    window->edName()->selectAll();
    QTest::keyClicks(window->edName(), "A");
    TypeCharacter(window->edName(), QString::fromUtf8("\xC3\xA9"));  // é is refused
    TypeCharacter(window->edName(), QString(QChar(0x1B)));           // so is a control code
    QTest::keyClick(window->edName(), Qt::Key_B);
    EXPECT_EQ(window->edName()->text(), "Ab");
    QTest::keyClick(window->edName(), Qt::Key_Backspace);  // backspace is accepted
    EXPECT_EQ(window->edName()->text(), "A");

    // Pasting brings in what typing refuses; leaving the field drops it.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("\xC3\xA9Z\t"));
    QTest::keyClick(window->edName(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(window->edName()->text(), QString::fromUtf8("A\xC3\xA9Z\t"));
    QTest::keyClick(window->edName(), Qt::Key_Tab);
    EXPECT_EQ(window->edName()->text(), "AZ   ");
    QGuiApplication::clipboard()->setText(QString::fromUtf8("\xC3\xBF"));
    window->edName2()->selectAll();
    QTest::keyClick(window->edName2(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(window->edName2(), Qt::Key_Tab);
    EXPECT_EQ(window->edName2()->text(), " ");

    ASSERT_FALSE(mirror.Sent().empty());
    for (const Bytes& message : mirror.Sent())
        for (std::size_t k = 1; k + 1 < message.size(); ++k)
            EXPECT_LT(message[k], 0x80) << "byte " << k;
    for (int pos = 9; pos <= 14; ++pos)
        EXPECT_LT(mirror.dumps.InstrumentDump.Records(0).Bytes(pos), 0x80);
    EXPECT_EQ(window->lbInst()->LineText(0), "  1: AZ   . ");
}

TEST_F(InstrumentWindow, PatchLookupListsPresentPatchesThatPlayTheInstrument) {
    auto sound = [&](int slot, int n, int at, int instrument) {
        midilink::TMidiDump& entry = mirror.dumps.NotemapDump.Records(td7::NotemapRecord(slot, n));
        entry.SetBytes(at, static_cast<std::uint8_t>(instrument >> 7));
        entry.SetBytes(at + 1, static_cast<std::uint8_t>(instrument & 0x7F));
    };
    for (int slot = 0; slot < 32; ++slot)
        for (int n = 0; n < 59; ++n) {
            sound(slot, n, 12, 100);
            sound(slot, n, 15, 100);
        }
    sound(2, 7, 12, 5);    // patch 3, Sound 1
    sound(9, 58, 15, 5);   // patch 10, Sound 2 of the last entry
    sound(9, 0, 12, 5);    // patch 10 again: listed once
    sound(11, 3, 12, 5);   // patch 12 is not present
    sound(0, 3, 12, 133);  // 133 has the low byte of 5
    midilink::TMidiDump& common = mirror.dumps.ProgDump.Records(3);
    common.SetBytes(17, 0);
    common.SetBytes(18, 5);  // patch 4 plays it as a performance sound only
    for (int slot : {0, 2, 3, 9}) mirror.present.SetPatchPresent(slot, true);

    std::vector<bool> switched;
    window->OnLookupChange = [&](bool on) { switched.push_back(on); };
    Show();
    Select(5);
    EXPECT_EQ(window->Lookup().edRefs()->text(), "3,10");
    Select(133);
    EXPECT_EQ(window->Lookup().edRefs()->text(), "1");
    Select(6);
    EXPECT_EQ(window->Lookup().edRefs()->text(), "");

    // Off: empty, disabled in the face colour, the label gray; on: filled at once.
    Select(5);
    QCheckBox* box = window->Lookup().cbLookupPatches();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QLineEdit* refs = window->Lookup().edRefs();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(refs->text(), "");
    EXPECT_FALSE(refs->isEnabled());
    EXPECT_EQ(refs->palette().color(QPalette::Base), controls::ToQColor(controls::clBtnFace));
    EXPECT_EQ(window->Lookup().laPatches()->palette().color(QPalette::WindowText),
              QColor(0x80, 0x80, 0x80));
    Select(133);  // switched off, selecting looks nothing up
    EXPECT_EQ(refs->text(), "");
    Select(5);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_EQ(refs->text(), "3,10");
    EXPECT_TRUE(refs->isEnabled());
    EXPECT_EQ(window->Lookup().laPatches()->palette().color(QPalette::WindowText),
              controls::ToQColor(controls::clWindowText));
    EXPECT_EQ(switched, (std::vector<bool>{false, true}));

    // A slot that stops being present is no longer listed.
    mirror.present.SetPatchPresent(9, false);
    Select(6);
    Select(5);
    EXPECT_EQ(refs->text(), "3");
}

TEST_F(InstrumentWindow, PitchAndPanShowTheirValueTexts) {
    // Pitch -48 held in ten bits: 1024 - 48 = 976, bytes 07 50.
    midilink::TMidiDump& record = mirror.dumps.InstrumentDump.Records(3);
    record.SetBytes(19, 0x07);
    record.SetBytes(20, 0x50);
    record.SetBytes(22, 7);  // Pan 0
    Show();
    Select(3);
    EXPECT_EQ(Knob("Pitch")->Value(), -48);
    EXPECT_EQ(ValueTextOf(Knob("Pitch")), "-480");
    EXPECT_TRUE(mirror.Sent().empty());

    Turn(Knob("Pan"), Qt::Key_End);
    EXPECT_EQ(Knob("Pan")->Value(), 8);
    EXPECT_EQ(ValueTextOf(Knob("Pan")), "Random");
    EXPECT_EQ(record.Bytes(22), 15);
    EXPECT_EQ(mirror.Sent().back(), DataSet({0x01, 0x00, 0x03, 0x0D, 0x0F}));
    Turn(Knob("Pan"), Qt::Key_Down);
    EXPECT_EQ(ValueTextOf(Knob("Pan")), "7");
}

TEST_F(InstrumentWindow, ANegativePitchSurvivesARoundTripThroughTheModule) {
    simulator::Td7Module module;
    module.LoadFactory();
    mirror.LoadFromModule(module);
    midilink::TMidiDump& record = mirror.dumps.InstrumentDump.Records(5);
    record.SetBytes(19, 0x00);
    record.SetBytes(20, 0x00);
    Show();
    Select(5);

    // The live edit carries the ten-bit form that the record and a transmission hold.
    Turn(Knob("Pitch"), Qt::Key_Down);
    ASSERT_EQ(Knob("Pitch")->Value(), -1);
    for (const Bytes& message : mirror.Sent()) module.Receive(message.data(), message.size());
    const auto block = simulator::Td7Module::InstrumentBlock(5);
    EXPECT_EQ(module.Data(block)[10], 0x07);
    EXPECT_EQ(module.Data(block)[11], 0x7F);

    // The module's answer to the next request shows -1 again, and so does an answer in
    // which the module kept a plain signed number.
    auto answer = [&] {
        record.SetBytes(19, 0x00);
        record.SetBytes(20, 0x00);
        const Bytes message = module.DataSetOf(block);
        mirror.link.OfferSysex(message.data(), static_cast<int>(message.size()));
    };
    answer();
    EXPECT_EQ(Knob("Pitch")->Value(), -1);
    EXPECT_EQ(ValueTextOf(Knob("Pitch")), "-10");
    module.Data(block)[10] = 0x7F;
    answer();
    EXPECT_EQ(Knob("Pitch")->Value(), -1);
    EXPECT_TRUE(mirror.errors.empty());
}

TEST_F(InstrumentWindow, ViewShowsTheSealedRecord) {
    // As the module sends it: the header comes with the message.
    Bytes block{0x01, 0x00, 0x05, 0x00, 'C', 'o', 'n', 'g', 'a', 'P'};
    block.resize(4 + 22, 0);
    const Bytes message = DataSet(block);
    ASSERT_TRUE(mirror.link.OfferSysex(message.data(), static_cast<int>(message.size())));
    Show();
    Select(5);
    insttest::WhileModal(
        mirror.viewer,
        [&] { QTest::mouseClick(window->findChild<QPushButton*>("Button2"), Qt::LeftButton); },
        [&] {
            const QStringList lines = mirror.viewer.Memo1()->toPlainText().split('\n');
            ASSERT_EQ(lines.size(), 3);
            EXPECT_TRUE(lines[0].startsWith("F0 41 10 58 12 01 00 05 00 43 6F 6E 67 61 50 "));
            EXPECT_TRUE(lines[2].trimmed().endsWith("F7"));
        });
    EXPECT_TRUE(window->isVisible());
}

TEST_F(InstrumentWindow, F1ShowsTheEditorsHelpPage) {
    Show();
    window->edName()->setFocus();
    QTest::keyClick(window->edName(), Qt::Key_F1);
    ASSERT_NE(window->HelpWindow(), nullptr);
    EXPECT_TRUE(window->HelpWindow()->isVisible());
    EXPECT_EQ(window->HelpWindow()->CurrentAnchor(), "10");
}

TEST_F(InstrumentWindow, ControlsSitInsideTheirPanelsWithoutOverlapping) {
    Show();
    for (editor::TPatchPanel* panel : window->findChildren<editor::TPatchPanel*>())
        insttest::ExpectLaidOut(panel);
    for (const td7::TParameter* row : td7::PanelMembers(td7::PanelId::Inst))
        EXPECT_EQ(window->Control(row->Name)->parentWidget(), window->gbInst());
}

}  // namespace
