// Edit > Undo, Redo, Copy and Paste through the real windows, with the virtual TD-7 taking
// what the editor sends: undo sends the old value and the module holds it again, a drag is
// one step, steps on two windows undo in turn, moves come back with their flags, the "*"
// goes at the saved state, and a pasted trigger sends only what differs.

#include <QAction>
#include <QLineEdit>
#include <QTimer>

#include "controls/MidiKnob.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/StatusLine.h"
#include "editor/system/SystemWindow.h"
#include "midilink/DumpCollection.h"
#include "td7/history/EditHistory.h"
#include "tests/editor/PatchFixture.h"

namespace patchtest {
namespace {

using editor::TCommand;

class EditUndoTest : public PatchEditorTest {
  protected:
    EditUndoTest() {
        LoadPatch(2);
        SelectPatch(2);
        ChooseTrigger(6);  // Tom 1
        Saved();
    }

    QAction* Action(TCommand command) { return Main().Menu().Action(command); }
    // The entry's text as the opened Edit menu shows it.
    QString EntryText(TCommand command) {
        Main().UpdateEditTexts();
        return Action(command)->text();
    }
    void Run(TCommand command) {
        ASSERT_TRUE(Action(command)->isEnabled()) << static_cast<int>(command);
        Action(command)->trigger();
    }
    // What was sent since the last call, handed to the module as the cable would.
    std::vector<Bytes> Deliver() {
        std::vector<Bytes> sent = TakeSent();
        for (const Bytes& m : sent) editor.wait->module.Receive(m.data(), m.size());
        return sent;
    }
    // The mirror is what a file holds now.
    void Saved() {
        for (td7::Block block : td7::kAllBlocks) Main().Dumps().Of(block).SetModified(false);
        TakeSent();
    }
    bool Starred() { return Main().windowTitle().contains('*'); }
    int ModuleTrigger(int p, int t, int offset) {
        return editor.wait->module.Data(
            Td7Module::TriggerBlock(p, t))[static_cast<std::size_t>(offset)];
    }
};

TEST_F(EditUndoTest, KeysAndADragAreOneStepEachAndUndoPutsTheModuleBack) {
    auto* gate = Control<controls::TMidiKnob>("txGateTime");
    const int before = gate->Value();
    const int record = td7::TriggerRecord(2, 6);
    gate->setFocus();
    for (int k = 0; k < 3; ++k) QTest::keyClick(gate, Qt::Key_Up);
    Deliver();
    ASSERT_EQ(ModuleTrigger(2, 6, 1), before + 3);
    EXPECT_EQ(EntryText(TCommand::Undo), "&Undo Gt Time (Trigger)");
    EXPECT_TRUE(Starred());

    // The selection moved on to another trigger: undo goes back to Tom 1 to show it.
    ChooseTrigger(2);
    Run(TCommand::Undo);
    EXPECT_EQ(Patch().coTrigger()->currentIndex(), 6);
    EXPECT_EQ(Deliver(), std::vector<Bytes>{DataSet(0x02, 0x07, 0x01, before)});
    EXPECT_EQ(ModuleTrigger(2, 6, 1), before);
    EXPECT_EQ(gate->Value(), before);
    EXPECT_FALSE(Starred()) << "back at the saved state";
    EXPECT_FALSE(Action(TCommand::Undo)->isEnabled());
    EXPECT_EQ(EntryText(TCommand::Redo), "&Redo Gt Time (Trigger)");
    Run(TCommand::Redo);
    EXPECT_EQ(Main().Dumps().TriggerDump.Records(record).Bytes(10), before + 3);
    EXPECT_TRUE(Starred());

    // A drag of another knob, however far it goes, is one step.
    auto* mask = Control<controls::TMidiKnob>("txMaskTime");
    const int maskBefore = mask->Value();
    const QPoint center = mask->rect().center();
    QTest::mousePress(mask, Qt::LeftButton, {}, center);
    for (int dy = 4; dy <= 20; dy += 4) QTest::mouseMove(mask, center - QPoint(0, dy));
    QTest::mouseRelease(mask, Qt::LeftButton, {}, center - QPoint(0, 20));
    ASSERT_NE(mask->Value(), maskBefore);
    EXPECT_EQ(Main().History().Count(), 2);
    Run(TCommand::Undo);
    EXPECT_EQ(mask->Value(), maskBefore);
    EXPECT_EQ(Deliver().back(), DataSet(0x02, 0x07, 0x07, static_cast<std::uint8_t>(maskBefore)));
}

TEST_F(EditUndoTest, StepsOnTwoWindowsUndoInTurnFromEither) {
    Run(TCommand::SysRequest);
    Saved();
    editor::TfmSystem& system = *editor.windows->fmSystem;
    const int channel = Main().Dumps().SystemDump.Records(0).Bytes(9);
    // A step in the system window, undone there with Ctrl+Z, redone, then one in the main
    // window; undo from the main window takes both back in turn.
    QTimer::singleShot(0, &system, [&] {
        system.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&system));
        QLineEdit* field = system.Field("TrigTxCh");
        field->setFocus();
        QTest::keyClick(field, channel < 15 ? Qt::Key_Up : Qt::Key_Down);
        EXPECT_NE(Main().Dumps().SystemDump.Records(0).Bytes(9), channel);
        QTest::keyClick(&system, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Main().Dumps().SystemDump.Records(0).Bytes(9), channel);
        QTest::keyClick(&system, Qt::Key_Y, Qt::ControlModifier);
        system.done(QDialog::Accepted);
    });
    Run(TCommand::SysEdit);
    const int changed = Main().Dumps().SystemDump.Records(0).Bytes(9);
    ASSERT_NE(changed, channel);
    auto* gate = Control<controls::TMidiKnob>("txGateTime");
    gate->setFocus();
    QTest::keyClick(gate, Qt::Key_Down);
    TakeSent();

    Run(TCommand::Undo);
    Run(TCommand::Undo);
    const std::vector<Bytes> sent = TakeSent();
    ASSERT_EQ(sent.size(), 2u);
    const Bytes system0 = {0xF0, 0x41, 0x10, 0x58, 0x12, 0x03, 0x00, 0x00, 0x00};
    EXPECT_TRUE(std::equal(system0.begin(), system0.end(), sent[1].begin()));
    EXPECT_EQ(sent[1][9], channel);
    EXPECT_EQ(Main().Dumps().SystemDump.Records(0).Bytes(9), channel);
    EXPECT_FALSE(Starred());
}

TEST_F(EditUndoTest, MoveAndExchangeComeBackWithTheirSlotsAndFlagsAndSendNothing) {
    LoadPatch(5);
    Saved();
    auto image = [&](int p) {
        const auto& r = Main().Dumps().ProgDump.Records(p);
        return Bytes(r.Data() + td7::kHeaderSize, r.Data() + r.Size() - 2);
    };
    const Bytes two = image(2), five = image(5);
    Main().Menu().NumberedAction(TCommand::PatchExchangeWith, 6)->trigger();
    Main().Menu().NumberedAction(TCommand::PatchMoveTo, 10)->trigger();
    ASSERT_TRUE(Main().Present().PatchPresent(9));
    ASSERT_FALSE(Main().Present().PatchPresent(5));
    EXPECT_EQ(EntryText(TCommand::Undo), "&Undo Move Patch");

    Run(TCommand::Undo);
    EXPECT_EQ(image(5), two);
    EXPECT_TRUE(Main().Present().PatchPresent(5));
    EXPECT_FALSE(Main().Present().PatchPresent(9));
    EXPECT_EQ(Main().CurrentPatch(), 5);
    Run(TCommand::Undo);
    EXPECT_EQ(image(2), two);
    EXPECT_EQ(image(5), five);
    EXPECT_EQ(Main().CurrentPatch(), 2);
    EXPECT_EQ(Patch().lbPatch()->currentRow(), 2);
    EXPECT_FALSE(Starred());
    // Only the program changes of the selections went out, as a click sends them.
    for (const Bytes& m : TakeSent()) EXPECT_NE(m.front(), 0xF0);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(EditUndoTest, APastedTomSendsOnlyWhatDiffersAtTheOtherTomsAddresses) {
    // Tom 1 and Tom 2 of the factory patch differ in some parameters; make one more.
    auto* treshold = Control<controls::TMidiKnob>("txTreshold");
    treshold->setFocus();
    QTest::keyClick(treshold, treshold->Value() < treshold->Max() ? Qt::Key_Up : Qt::Key_Down);
    const int tom1 = td7::TriggerRecord(2, 6), tom2 = td7::TriggerRecord(2, 8);
    auto differingNow = [&] {
        int count = 0;
        for (const td7::TParameter* row : td7::PanelMembers(td7::PanelId::Trigger)) {
            const auto& a = Main().Dumps().TriggerDump.Records(tom1);
            const auto& b = Main().Dumps().TriggerDump.Records(tom2);
            count += a.Bytes(row->DumpIndex) != b.Bytes(row->DumpIndex) ? 1 : 0;
        }
        return count;
    };
    const int differing = differingNow();
    ASSERT_GT(differing, 0);
    Patch().coTrigger()->setFocus();
    QTest::keyClick(Patch().coTrigger(), Qt::Key_C, Qt::ControlModifier);
    ChooseTrigger(8);
    TakeSent();
    QTest::keyClick(Patch().coTrigger(), Qt::Key_V, Qt::ControlModifier);

    const std::vector<Bytes> sent = Deliver();
    ASSERT_EQ(static_cast<int>(sent.size()), differing);
    for (const Bytes& m : sent) {
        EXPECT_EQ(m[6], 0x02);
        EXPECT_EQ(m[7], 0x09) << "Tom 2's trigger record";
    }
    EXPECT_EQ(differingNow(), 0);
    EXPECT_EQ(EntryText(TCommand::Undo), "&Undo Paste Trigger Settings");
    Run(TCommand::Undo);
    EXPECT_EQ(static_cast<int>(Deliver().size()), differing);

    // The pedal's settings fit only the pedal.
    ChooseTrigger(td7::kHihatPedalEntry);
    TakeSent();
    QTest::keyClick(Patch().coTrigger(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(TakeSent().empty());
    EXPECT_EQ(Main().Status().Text(), "Trigger settings can only be pasted onto a trigger");
}

}  // namespace
}  // namespace patchtest
