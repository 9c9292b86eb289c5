// Undo where it meets other features: after requests the module answered, on the slot on
// show when it becomes empty or stays as it is, and with no output open.

#include <QComboBox>
#include <QPushButton>

#include "controls/MidiKnob.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchPanel.h"
#include "td7/files/DumpFiles.h"
#include "td7/history/EditHistory.h"
#include "td7/map/ParameterTable.h"
#include "tests/editor/FileCommandsFixture.h"

namespace filesgui {
namespace {

class UndoEdges : public FileCommandsTest {
  protected:
    bool CanUndo() { return Main().Menu().Action(TCommand::Undo)->isEnabled(); }
    // What went out since the last call that is no system-exclusive message.
    std::vector<Bytes> TakeShort() {
        const auto all = editor.midi.SentTo(0);
        std::vector<Bytes> out;
        for (std::size_t k = m_shortSeen; k < all.size(); ++k)
            if (!all[k].bytes.empty() && all[k].bytes[0] != 0xF0) out.push_back(all[k].bytes);
        m_shortSeen = all.size();
        return out;
    }
    // Undo of a step that empties the slot on show, its dialog answered with Cancel.
    void UndoIntoEmptySlot() {
        const auto asked = AnswerQuery(QueryEmpty().btnCancel());
        Run(TCommand::Undo);
        EXPECT_TRUE(*asked) << "the empty-patch dialog did not come";
    }

  private:
    std::size_t m_shortSeen = 0;
};

TEST_F(UndoEdges, UndoAfterRequestsTakesBackOnlyItsOwnSlotAndAnAnswerEndsIt) {
    Start();
    Initialize(4);
    Run(TCommand::InstRequest);
    Run(TCommand::SysRequest);
    ASSERT_TRUE(Errors().empty());

    UndoIntoEmptySlot();
    EXPECT_FALSE(Main().Present().PatchPresent(4));
    EXPECT_TRUE(Main().Present().InstrumentsPresent());
    EXPECT_TRUE(Main().Present().SystemPresent());
    // Shown as a click on the empty slot leaves it: nothing to edit, nothing addressed.
    EXPECT_EQ(Patch().lbPatch()->currentRow(), 4);
    EXPECT_FALSE(Main().PatchEditing());
    EXPECT_FALSE(Patch().Panel("gbEffect1")->isEnabled());

    Run(TCommand::Redo);
    EXPECT_TRUE(Main().Present().PatchPresent(4));
    // The module's answers for slot 5 end the step that would put the empty slot back.
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Run(TCommand::RequestAll);
    EXPECT_FALSE(CanUndo());
    EXPECT_EQ(PatchRecords(4)[0], Bytes(editor.wait->module.DataSetOf(Td7Module::CommonBlock(4))));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(UndoEdges, UndoOnTheSlotOnShowAnnouncesNoProgram) {
    Start();
    // Patch 5 of the module receives program changes, as number 48.
    auto common = editor.wait->module.Data(Td7Module::CommonBlock(4));
    common[0] = 0x2F;
    common[1] = 0;
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Run(TCommand::RequestAll);
    ClickPatch(4);
    ASSERT_EQ(TakeShort(), std::vector<Bytes>{Bytes({0xC9, 0x2F})}) << "a click announces it";
    const fs::path file = editor.dir / "other.syx";
    td7::SavePatchFile(file, Main().Dumps(), 7);
    Files().LoadPatchFrom(file);
    Run(TCommand::Undo);
    Run(TCommand::Redo);
    EXPECT_TRUE(TakeShort().empty());
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(UndoEdges, UndoAndRedoWithNoOutputChangeTheMirrorQuietly) {
    Start();
    Initialize(2);
    Main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Main()));
    Patch().coTrigger()->setCurrentIndex(6);
    Patch().coTriggerChange();
    auto* gate = Patch().Control<controls::TMidiKnob>("txGateTime");
    midilink::TDumpCollection& triggers = Dump(td7::Block::Trigger);
    const int at = td7::FindParameter("txGateTime")->DumpIndex;
    const auto stored = [&] { return triggers.Records(triggers.Index()).Bytes(at); };
    const int before = stored();
    Main().MidiOutput1().Close();
    gate->setFocus();
    QTest::keyClick(gate, Qt::Key_Up);
    if (stored() == before) QTest::keyClick(gate, Qt::Key_Down);
    const int edited = stored();
    ASSERT_NE(edited, before);
    Run(TCommand::Undo);
    EXPECT_EQ(stored(), before);
    Run(TCommand::Redo);
    EXPECT_EQ(stored(), edited);
    EXPECT_TRUE(editor.boxes.Shown().empty());
}

}  // namespace
}  // namespace filesgui
