#include <QAction>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTimer>

#include "controls/MidiCheckBox.h"
#include "controls/MidiComboBox.h"
#include "controls/MidiKnob.h"
#include "controls/MidiUpDown.h"
#include "editor/patch/DrumKit.h"
#include "editor/patch/PatchName.h"
#include "editor/patch/PatchPanel.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/StatusLine.h"
#include "editor/transfers/ViewSysexWindow.h"
#include "td7/history/PatchSlots.h"
#include "td7/map/Td7Decode.h"
#include "tests/editor/PatchFixture.h"

#include <QPlainTextEdit>
#include <QStatusTipEvent>

namespace patchtest {
namespace {

using controls::TMidiCheckBox;
using controls::TMidiComboBox;
using controls::TMidiKnob;
using controls::TMidiUpDown;
using editor::TCommand;

// The two selection bytes a2 a3 of a control's template, as written in it.
std::string SelectionOf(controls::TBoundControl* control) {
    return control->MidiCom().MidiCommand().substr(12, 4);
}

// One step of a knob with the keys: the step is sent on the key press and once more when
// the key is released.
int StepKnob(TMidiKnob* knob) {
    const int key = knob->Value() < knob->Max() ? Qt::Key_Up : Qt::Key_Down;
    knob->setFocus();
    QTest::keyClick(knob, static_cast<Qt::Key>(key));
    return knob->Value();
}

TEST_F(PatchEditorTest, EditsAddressTheSelectedPatchTriggerAndPedal) {
    LoadPatch(5);
    LoadPatch(31);
    SelectPatch(5);
    ASSERT_EQ(Main().Dumps().ProgDump.Index(), 5);
    TakeSent();

    // Patch 6: the hall level knob, on its page whether that is shown or not.
    auto* hall = Control<TMidiKnob>("HallLevel");
    const int level = StepKnob(hall);
    EXPECT_EQ(TakeSent(), (std::vector<Bytes>{DataSet(0x05, 0x00, 0x0F, level),
                                              DataSet(0x05, 0x00, 0x0F, level)}));

    // Patch 32, trigger 17 (crash rim) chosen in the selector.
    SelectPatch(31);
    ChooseTrigger(17);
    EXPECT_EQ(Main().Dumps().TriggerDump.Index(), 18 * 31 + 17);
    for (const char* name :
         {"txNoteNr", "txGateTime", "txCrosstalk", "txVelCurve", "txMaxDyna", "txMinDyna",
          "txMinVelo", "txMaskTime", "txTreshold", "txChoke", "txSeqPtrn"})
        EXPECT_EQ(SelectionOf(Patch().Controls().Control(name)), "1F12") << name;
    TakeSent();
    const int gate = StepKnob(Control<TMidiKnob>("txGateTime"));
    EXPECT_EQ(TakeSent().front(), DataSet(0x1F, 0x12, 0x01, gate));

    // The pedal: its panel shows, the trigger record and templates stay, and the pedal's
    // controls edit the patch common block.
    ChooseTrigger(td7::kHihatPedalEntry);
    EXPECT_EQ(Main().Dumps().TriggerDump.Index(), 18 * 31 + 17);
    EXPECT_EQ(SelectionOf(Patch().Controls().Control("txGateTime")), "1F12");
    TakeSent();
    const int pedalGate = StepKnob(Control<TMidiKnob>("pxGateTime"));
    EXPECT_EQ(TakeSent().front(), DataSet(0x1F, 0x00, 0x2C, pedalGate));

    // The note-map entry follows its own list.
    ClickLine(Patch().lbNotemap(), 7);
    EXPECT_EQ(Main().Dumps().NotemapDump.Index(), 59 * 31 + 7);
    TakeSent();
    const int layer = StepKnob(Control<TMidiKnob>("LayerValue"));
    EXPECT_EQ(TakeSent().front(), DataSet(0x1F, 35 + 7, 0x01, layer - 1));
}

TEST_F(PatchEditorTest, TriggerDefaultsChangeWithTheTrigger) {
    LoadPatch(0);
    SelectPatch(0);
    auto defaultOf = [this](const char* name) {
        return Patch().Controls().Control(name)->MidiCom().Default();
    };
    ChooseTrigger(4);  // "T3: Hihat"
    EXPECT_EQ(defaultOf("txVelCurve"), 3);
    EXPECT_EQ(defaultOf("txChoke"), 1);
    EXPECT_EQ(defaultOf("txMaxDyna"), 11);
    EXPECT_EQ(defaultOf("txMaskTime"), 0);

    ChooseTrigger(1);  // "R1: Kick Rim"
    EXPECT_EQ(defaultOf("txMaskTime"), 13);
    EXPECT_EQ(defaultOf("txMaxDyna"), 8);
    EXPECT_EQ(defaultOf("txVelCurve"), 2);
    EXPECT_EQ(defaultOf("txChoke"), 0);
    // The kick rim's mask time (2 in this kit) differs from its default: marked.
    auto* mask = Control<TMidiKnob>("txMaskTime");
    EXPECT_EQ(mask->Value(), 2);
    EXPECT_EQ(mask->FontColor(), controls::clBlue);
    ChooseTrigger(2);  // the snare's default is 0, its mask time 3: still marked
    EXPECT_EQ(mask->FontColor(), controls::clBlue);
    ChooseTrigger(0);
    EXPECT_EQ(mask->Value(), 2);
}

TEST_F(PatchEditorTest, PedalPadShowsThePedalPanelAndRefusesTheTriggerView) {
    LoadPatch(2);
    SelectPatch(2);
    ChooseTrigger(6);
    editor::TDrumKit* kit = Patch().DrumKit();
    const QColor tomFill = QColor(QRgb(0x3C3F46));
    ASSERT_EQ(kit->Highlighted(), 6);

    ClickPad(td7::kHihatPedalEntry);
    EXPECT_EQ(Patch().coTrigger()->currentText(), "Hihat Pedal");
    EXPECT_TRUE(Patch().Panel("gbHihatPedal")->isVisible());
    EXPECT_FALSE(Patch().Panel("gbTrigger")->isVisible());
    EXPECT_EQ(Main().Dumps().TriggerDump.Index(), 18 * 2 + 6);
    EXPECT_EQ(kit->Highlighted(), td7::kHihatPedalEntry);
    EXPECT_EQ(kit->FillOf(6), tomFill);
    EXPECT_NE(kit->FillOf(td7::kHihatPedalEntry), QColor(QRgb(0xDBDBDB)));
    // The note map shows the pedal's note.
    EXPECT_EQ(Patch().lbNotemap()->currentRow(),
              Control<TMidiComboBox>("pxNoteNr")->currentIndex());

    editor.boxes.ClearShown();
    Main().Menu().Action(TCommand::ViewTrigger)->trigger();
    EXPECT_EQ(Errors(), std::vector<QString>{"Please select a trigger"});

    // Back on a trigger, its view shows the trigger record.
    ClickPad(2);
    EXPECT_TRUE(Patch().Panel("gbTrigger")->isVisible());
    EXPECT_FALSE(Patch().Panel("gbHihatPedal")->isVisible());
    editor::TfmViewSysex& viewer = *editor.windows->fmViewSysex;
    QString shown;
    QTimer::singleShot(0, &viewer, [&] {
        shown = viewer.Memo1()->toPlainText();
        viewer.accept();
    });
    Main().Menu().Action(TCommand::ViewTrigger)->trigger();
    EXPECT_TRUE(shown.startsWith("F0 41 10 58 12 00 02 03 00 ")) << shown.toStdString();
}

TEST_F(PatchEditorTest, PadClicksAuditionTheirNote) {
    LoadPatch(0);
    SelectPatch(0);
    ChooseTrigger(2);  // "T2: Snare"
    const int snareNote = Control<TMidiComboBox>("txNoteNr")->currentIndex() + 35;
    ASSERT_EQ(snareNote, Main().Dumps().TriggerDump.Records(2).Bytes(9));
    const int selectionsBefore = Main().Dumps().TriggerDump.Index();
    TakeSent();

    // The selected pad again: no new selection, the note all the same.
    ClickPad(2);
    EXPECT_EQ(TakeSent(), (std::vector<Bytes>{{0x99, static_cast<std::uint8_t>(snareNote), 0x40}}));
    EXPECT_EQ(Main().Dumps().TriggerDump.Index(), selectionsBefore);

    // The snare's rim is reached outside the head; it selects trigger 3 and plays its note.
    const editor::TRect rim = editor::PadOfTag(3).Bounds;
    QTest::mouseClick(Patch().DrumKit(), Qt::LeftButton, {},
                      QPoint(rim.Left + 3, rim.Top + rim.Height / 2));
    EXPECT_EQ(Patch().coTrigger()->currentIndex(), 3);
    EXPECT_EQ(Main().Dumps().TriggerDump.Index(), 3);
    const int rimNote = Main().Dumps().TriggerDump.Records(3).Bytes(9);
    EXPECT_EQ(TakeSent(), (std::vector<Bytes>{{0x99, static_cast<std::uint8_t>(rimNote), 0x40}}));

    // An empty slot: the kit takes no clicks.
    SelectPatch(9);
    TakeSent();
    ClickPad(0);
    EXPECT_TRUE(TakeSent().empty());
}

TEST_F(PatchEditorTest, ProgramChangeBoxPaths) {
    LoadPatch(3);
    LoadPatch(4);
    auto* box = Control<TMidiCheckBox>("cbRxProgram");
    auto* number = Control<TMidiUpDown>("udProgram");
    auto* field = qobject_cast<QLineEdit*>(Patch().Controls().Associate("udProgram"));
    ASSERT_NE(field, nullptr);

    // Selecting a patch whose program change is on sends its number.
    SelectPatch(3);
    ASSERT_EQ(box->checkState(), Qt::Checked);
    ASSERT_EQ(number->Position(), 4);
    EXPECT_EQ(TakeSent().back(), (Bytes{0xC9, 3}));

    // Off: 0 becomes 1 in the record; the field shows 128, and no number is sent.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_EQ(box->checkState(), Qt::Unchecked);
    EXPECT_EQ(TakeSent(), std::vector<Bytes>{DataSet(0x03, 0x00, 0x01, 1)});
    EXPECT_EQ(field->text(), "128");
    EXPECT_FALSE(number->isEnabled());
    EXPECT_EQ(Main().Dumps().ProgDump.Records(3).Bytes(9), 3) << "the stored number stays";

    // Another patch and back: no program change while the box is off; the field shows
    // the stored number again.
    SelectPatch(4);
    EXPECT_TRUE(number->isEnabled()) << "patch 5's program change is on";
    TakeSent();
    SelectPatch(3);
    for (const Bytes& m : TakeSent()) EXPECT_NE(m.front(), 0xC9);
    EXPECT_EQ(field->text(), "4");
    EXPECT_FALSE(number->isEnabled());

    // On again: the number shown is stored and sent.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_TRUE(number->isEnabled());
    EXPECT_EQ(TakeSent(),
              (std::vector<Bytes>{DataSet(0x03, 0x00, 0x01, 0), DataSet(0x03, 0x00, 0x00, 3)}));

    // Off and at once on again: the patch's own number comes back, not the 128 shown
    // while the box was off.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_EQ(TakeSent(),
              (std::vector<Bytes>{DataSet(0x03, 0x00, 0x01, 1), DataSet(0x03, 0x00, 0x01, 0),
                                  DataSet(0x03, 0x00, 0x00, 3)}));
    EXPECT_EQ(field->text(), "4");
    EXPECT_EQ(Main().Dumps().ProgDump.Records(3).Bytes(9), 3);

    // The number can be typed: Enter stores and sends it once.
    field->selectAll();
    QTest::keyClicks(field, "25");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(TakeSent(), std::vector<Bytes>{DataSet(0x03, 0x00, 0x00, 24)});
    EXPECT_EQ(Main().Dumps().ProgDump.Records(3).Bytes(9), 24);
}

// Ctrl+Z in the program field is the Edit menu's Undo, not the field's own text undo.
TEST_F(PatchEditorTest, UndoWinsInTheProgramField) {
    LoadPatch(3);
    SelectPatch(3);
    auto* field = qobject_cast<QLineEdit*>(Patch().Controls().Associate("udProgram"));
    ASSERT_NE(field, nullptr);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "25");
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_EQ(Main().Dumps().ProgDump.Records(3).Bytes(9), 24);
    ASSERT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Main().Dumps().ProgDump.Records(3).Bytes(9), 3);
    EXPECT_EQ(field->text(), "4");
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Main().Dumps().ProgDump.Records(3).Bytes(9), 24);
    EXPECT_EQ(field->text(), "25");
}

TEST_F(PatchEditorTest, EmptySlotsAndTheEmptyPatchDialog) {
    LoadPatch(1);
    SelectPatch(1);
    ASSERT_TRUE(Main().PatchEditing());

    // Without the dialog: the empty slot is shown with editing off.
    SelectPatch(4);
    EXPECT_FALSE(Main().PatchEditing());
    EXPECT_FALSE(Patch().Panel("gbPatchCommon")->isEnabled());
    EXPECT_FALSE(Patch().Panel("gbEffect1")->isEnabled());
    EXPECT_EQ(Patch().edName()->text(), "Empty ");
    EXPECT_FALSE(Main().Menu().NumberedAction(TCommand::PatchMoveTo, 5)->isEnabled());
    EXPECT_TRUE(Main().Menu().NumberedAction(TCommand::PatchMoveTo, 2)->isEnabled());
    // A present slot can be edited again.
    SelectPatch(1);
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_TRUE(Patch().Panel("gbPatchCommon")->isEnabled());

    // The dialog's Cancel: back on patch 2, addressed and editable as before.
    std::vector<int> asked;
    Patch().OnQueryEmpty = [&](int p) {
        asked.push_back(p);
        return editor::TEmptySlotAnswer::Cancel;
    };
    SelectPatch(7);
    EXPECT_EQ(asked, std::vector<int>{7});
    EXPECT_EQ(Patch().lbPatch()->currentRow(), 1);
    EXPECT_EQ(Main().CurrentPatch(), 1);
    EXPECT_EQ(Main().Dumps().ProgDump.Index(), 1);
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_EQ(SelectionOf(Patch().Controls().Control("HallLevel")), "0100");
    EXPECT_EQ(SelectionOf(Patch().Controls().Control("Sound1")).substr(0, 2), "01");
    TakeSent();
    const int level = StepKnob(Control<TMidiKnob>("ChorusLevel"));
    EXPECT_EQ(TakeSent().front(), DataSet(0x01, 0x00, 0x20, level));

    // The dialog fills the slot: the selection goes on with the new patch.
    Patch().OnQueryEmpty = [this](int p) {
        td7::InitializePatch(Main().Dumps(), Main().Present(), p);
        Main().SetPatchEditing(true);
        return editor::TEmptySlotAnswer::Filled;
    };
    SelectPatch(7);
    EXPECT_EQ(Main().Dumps().ProgDump.Index(), 7);
    EXPECT_EQ(Main().Dumps().TriggerDump.Index(), 18 * 7 + Patch().coTrigger()->currentIndex());
    EXPECT_EQ(Patch().edName()->text().toStdString(),
              td7::PatchName(Main().Dumps().ProgDump.Records(7)));
    EXPECT_TRUE(Patch().Panel("gbPatchCommon")->isEnabled());
    EXPECT_EQ(SelectionOf(Patch().Controls().Control("HallLevel")), "0700");
}

TEST_F(PatchEditorTest, NotemapViewRebuildsTheHeader) {
    LoadPatch(6);
    SelectPatch(6);
    ClickLine(Patch().lbNotemap(), 4);
    // A stale header, as a record moved from another slot carries it.
    auto& record = Main().Dumps().NotemapDump.Records(59 * 6 + 4);
    record.Data()[6] = 0x02;
    editor::TfmViewSysex& viewer = *editor.windows->fmViewSysex;
    QString shown;
    QTimer::singleShot(0, &viewer, [&] {
        shown = viewer.Memo1()->toPlainText();
        viewer.accept();
    });
    Main().Menu().Action(TCommand::ViewNotemap)->trigger();
    EXPECT_TRUE(shown.startsWith("F0 41 10 58 12 00 06 27 00 ")) << shown.toStdString();
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PatchEditorTest, EffectTypeChoosesThePage) {
    LoadPatch(0);
    SelectPatch(0);
    auto* type = Control<TMidiComboBox>("Effect1Type");
    EXPECT_EQ(Patch().Effect1Notebook()->currentIndex(), type->currentIndex());
    TakeSent();
    Choose(type, 3);
    EXPECT_EQ(Patch().Effect1Notebook()->currentWidget()->objectName(), "Delay");
    EXPECT_EQ(TakeSent().back(), DataSet(0x00, 0x00, 0x0E, 3));
    auto* type2 = Control<TMidiComboBox>("Effect2Type");
    Choose(type2, 1 - type2->currentIndex());
    EXPECT_EQ(Patch().Effect2Notebook()->currentIndex(), type2->currentIndex());
}

TEST_F(PatchEditorTest, HintsGoToTheStatusLine) {
    auto* knob = Control<TMidiKnob>("HallTime");
    EXPECT_EQ(knob->statusTip(), "Hall Reverb Time");
    QStatusTipEvent tip(knob->statusTip());
    QCoreApplication::sendEvent(knob, &tip);
    EXPECT_EQ(Main().Status().Text(), "Hall Reverb Time");
    EXPECT_EQ(Patch().Controls().Associate("udProgram")->statusTip(), "Program Change Number");
}

}  // namespace
}  // namespace patchtest
