// Undo and redo on the collections, without windows: what each step puts back, where it
// sends it, and when the saved state counts as reached again.

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "midilink/MidiCom.h"
#include "td7/history/EditHistory.h"
#include "td7/history/PatchSlots.h"
#include "td7/map/Retarget.h"
#include "tests/td7/FilesFixture.h"

namespace filestest {
namespace {

using td7::Block;
using td7::TEditHistory;

// A link whose output can fail, as a port does when its device went away.
class FailingLink : public testsupport::RecordingLink {
  public:
    void PutLong(const std::uint8_t* buffer, int length) override {
        if (fail) throw std::runtime_error("The MIDI output device is gone.");
        RecordingLink::PutLong(buffer, length);
    }
    bool fail = false;
};

class EditHistoryTest : public FilesTest {
  protected:
    EditHistoryTest() { TagAll(1); }

    // A bound control's binding as the windows make it, on record `record`.
    void Bind(midilink::TValueMidiCom& com, const char* name, int record) {
        const td7::TParameter& row = *td7::FindParameter(name);
        td7::ConfigureBinding(com, row, dumps, &failing);
        td7::RetargetCom(com, td7::RecordSelection(row.Collection, record));
        dumps.Of(row.Collection).SetIndex(record);
    }
    void Set(midilink::TValueMidiCom& com, const char* name, int value) {
        history.SetBinding(com, *td7::FindParameter(name), value);
    }
    int Stored(Block block, int record, int at) {
        return dumps.Of(block).Records(record).Bytes(at);
    }
    // The address bytes a2 a3 and the data byte of the last message sent.
    std::vector<int> LastSent() {
        const auto m = failing.LongMessages().back();
        return {m[6], m[7], m[8], m[9]};
    }

    FailingLink failing;
    TEditHistory history{dumps, present, failing};
};

TEST_F(EditHistoryTest, AControlsChangesInARowAreOneStepThatUndoSendsBack) {
    midilink::TValueMidiCom level;
    Bind(level, "HallLevel", 3);  // patch 4, data offset 15 (position 24)
    const int before = Stored(Block::Prog, 3, 24);
    for (int v : {5, 6, 7}) Set(level, "HallLevel", v);
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(history.UndoText(), "Level (Effect 1)");

    history.Undo();
    EXPECT_EQ(Stored(Block::Prog, 3, 24), before);
    EXPECT_EQ(LastSent(), (std::vector<int>{0x03, 0x00, 0x0F, before}));
    EXPECT_EQ(history.RedoText(), "Level (Effect 1)");
    history.Redo();
    EXPECT_EQ(Stored(Block::Prog, 3, 24), 7);
    EXPECT_EQ(LastSent(), (std::vector<int>{0x03, 0x00, 0x0F, 7}));

    // Focus left the knob: the next turn is a step of its own. Turning back to where the
    // step began leaves no step.
    history.EndMerge();
    Set(level, "HallLevel", 9);
    EXPECT_EQ(history.Count(), 2);
    Set(level, "HallLevel", 7);
    EXPECT_EQ(history.Count(), 1);
}

TEST_F(EditHistoryTest, UndoActsOnTheRecordOfTheStepAfterTheControlMovedOn) {
    midilink::TValueMidiCom gate;
    Bind(gate, "txGateTime", td7::TriggerRecord(1, 2));
    Set(gate, "txGateTime", 33);
    // Another trigger selected: the template and the current record follow it.
    Bind(gate, "txGateTime", td7::TriggerRecord(1, 5));
    const int other = Stored(Block::Trigger, td7::TriggerRecord(1, 5), 10);

    td7::TEditPlace shown;
    history.OnSelect = [&](const td7::TEditPlace& place) { shown = place; };
    history.Undo();
    EXPECT_EQ(shown,
              (td7::TEditPlace{Block::Trigger, td7::TriggerRecord(1, 2), td7::PanelId::Trigger}));
    EXPECT_NE(Stored(Block::Trigger, td7::TriggerRecord(1, 2), 10), 33);
    EXPECT_EQ(Stored(Block::Trigger, td7::TriggerRecord(1, 5), 10), other);
    EXPECT_EQ(LastSent()[0], 0x01);  // patch 2
    EXPECT_EQ(LastSent()[1], 0x03);  // trigger 3
}

TEST_F(EditHistoryTest, SetParametersSendsOnlyWhatChangesAsOneStep) {
    const int record = td7::TriggerRecord(0, 4);
    midilink::TValueMidiCom probe;
    Bind(probe, "txMaskTime", record);
    const int mask = probe.ReadValue(&dumps.TriggerDump.Records(record).Data()[16]);
    const int sent = static_cast<int>(failing.messages.size());
    const int changed =
        history.SetParameters("Paste Trigger", {{td7::FindParameter("txGateTime"), record, 12},
                                                {td7::FindParameter("txMaskTime"), record, mask},
                                                {td7::FindParameter("txTreshold"), record, 4}});
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(static_cast<int>(failing.messages.size()), sent + 2);
    EXPECT_EQ(Stored(Block::Trigger, record, 17), 3);  // Treshold 4 stores 3
    history.Undo();
    EXPECT_EQ(static_cast<int>(failing.messages.size()), sent + 4);
    EXPECT_EQ(history.SetParameters("Nothing", {{td7::FindParameter("txMaskTime"), record, mask}}),
              0);
}

TEST_F(EditHistoryTest, MoveAndExchangeComeBackWithTheirFlagsAndSendNothing) {
    present.SetPatchPresent(0, true);
    present.SetPatchPresent(6, true);
    history.RecordCommand("Move To", {Block::Prog, 0, {}}, td7::kPatchBlocks,
                          [&] { td7::MovePatch(dumps, present, 0, 4); });
    history.RecordCommand("Exchange With", {Block::Prog, 4, {}}, td7::kPatchBlocks,
                          [&] { td7::ExchangePatch(dumps, present, 4, 6); });
    EXPECT_EQ(TagOf(dumps.ProgDump.Records(6)), (Tag{Block::Prog, 0, 1}));

    history.Undo();
    history.Undo();
    for (int p : {0, 4, 6}) {
        EXPECT_EQ(TagOf(dumps.ProgDump.Records(p)), (Tag{Block::Prog, p, 1}));
        EXPECT_EQ(TagOf(dumps.NotemapDump.Records(td7::NotemapRecord(p, 58))),
                  (Tag{Block::Notemap, td7::NotemapRecord(p, 58), 1}));
    }
    EXPECT_TRUE(present.PatchPresent(0));
    EXPECT_FALSE(present.PatchPresent(4));
    EXPECT_TRUE(present.PatchPresent(6));
    EXPECT_TRUE(failing.messages.empty());
    history.Redo();
    EXPECT_TRUE(present.PatchPresent(4));
}

TEST_F(EditHistoryTest, TheSavedStateIsClearedAgainOnlyWhileItCanBeReached) {
    midilink::TValueMidiCom level;
    Bind(level, "HallLevel", 0);
    Set(level, "HallLevel", 1);
    history.MarkClean();
    ClearModified();
    Set(level, "HallLevel", 2);
    EXPECT_TRUE(AnyModified());
    history.Undo();
    EXPECT_FALSE(AnyModified());
    history.Undo();
    EXPECT_TRUE(AnyModified());
    history.Redo();
    EXPECT_FALSE(AnyModified());

    // An answer from the module changed the mirror since: that state is gone.
    history.ForgetClean();
    history.Redo();
    history.Undo();
    EXPECT_TRUE(AnyModified());
}

TEST_F(EditHistoryTest, AFailedSendKeepsTheMirrorRestoredAndTheStepRedoable) {
    midilink::TValueMidiCom level;
    Bind(level, "HallLevel", 0);
    const int before = Stored(Block::Prog, 0, 24);
    Set(level, "HallLevel", 3);
    const auto errorOf = [](const std::function<void()>& action) -> std::string {
        try {
            action();
        } catch (const td7::EditSendError& e) {
            return e.what();
        }
        return "no error";
    };
    failing.fail = true;
    EXPECT_EQ(errorOf([&] { history.Undo(); }),
              "The module did not get the undo of Level (Effect 1): The MIDI output "
              "device is gone.");
    EXPECT_EQ(Stored(Block::Prog, 0, 24), before);
    EXPECT_TRUE(history.CanRedo());
    EXPECT_FALSE(history.CanUndo());

    // No output open: the mirror changes and nothing is said, as with an edit.
    failing.fail = false;
    failing.messages.clear();
    history.OutputOpen = [] { return false; };
    EXPECT_EQ(errorOf([&] { history.Redo(); }), "no error");
    EXPECT_EQ(Stored(Block::Prog, 0, 24), 3);
    EXPECT_TRUE(failing.messages.empty());
}

TEST_F(EditHistoryTest, AnswersFromTheModuleAreNeverUndoneNorTheirFlags) {
    // The module's answer to a request, as the session hands it on once stored.
    const auto answer = [&](Block block, int i) {
        midilink::TDumpCollection& dump = dumps.Of(block);
        dump.PrepareRecord(i);
        history.Stored(dump.Records(i).Data(), dump.Size());
    };
    present.SetPatchPresent(0, true);
    history.RecordCommand("Load Patch", {Block::Prog, 2, {}}, td7::kPatchBlocks,
                          [&] { td7::InitializePatch(dumps, present, 2); });
    midilink::TValueMidiCom level;
    Bind(level, "HallLevel", 0);
    Set(level, "HallLevel", 5);
    // Request All, Instruments > Request, System > Request.
    for (int p = 0; p < td7::kPatchCount; ++p)
        if (p != 0 && p != 2) {
            answer(Block::Prog, p);
            present.SetPatchPresent(p, true);
        }
    answer(Block::Instrument, 7);
    present.SetInstrumentsPresent(true);
    answer(Block::System, 0);
    present.SetSystemPresent(true);

    // Undo puts back only what the load changed: slot 3's records and flag.
    history.Undo();
    history.Undo();
    EXPECT_FALSE(present.PatchPresent(2));
    EXPECT_EQ(At(Block::Prog, 2), (Tag{Block::Prog, 2, 1}));
    for (int p : {0, 5, 31}) EXPECT_TRUE(present.PatchPresent(p)) << p;
    EXPECT_TRUE(present.InstrumentsPresent());
    EXPECT_TRUE(present.SystemPresent());

    // An answer for a record the load changed: the load can no longer be undone, the
    // later step still can; an answer for that step's record ends its redo.
    history.Redo();
    history.Redo();
    answer(Block::Trigger, td7::TriggerRecord(2, 4));
    EXPECT_EQ(history.Count(), 1);
    history.Undo();
    EXPECT_FALSE(history.CanUndo());
    EXPECT_TRUE(present.PatchPresent(2));
    answer(Block::Prog, 0);
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.Count(), 0);
}

TEST_F(EditHistoryTest, TheHistoryKeepsItsLimit) {
    TEditHistory small{dumps, present, failing, 3};
    midilink::TValueMidiCom level;
    Bind(level, "HallLevel", 0);
    for (int v = 0; v < 6; ++v) {
        small.SetBinding(level, *td7::FindParameter("HallLevel"), v);
        small.EndMerge();
    }
    EXPECT_EQ(small.Count(), 3);
    // A step made after an undo replaces the one undone, in the full history too.
    small.Undo();
    small.SetBinding(level, *td7::FindParameter("HallLevel"), 9);
    EXPECT_EQ(small.Count(), 3);
    EXPECT_FALSE(small.CanRedo());
    for (int k = 0; k < 3; ++k) small.Undo();
    EXPECT_FALSE(small.CanUndo());
    EXPECT_EQ(Stored(Block::Prog, 0, 24), 2);
    for (int k = 0; k < 3; ++k) small.Redo();
    EXPECT_EQ(Stored(Block::Prog, 0, 24), 9);
}

}  // namespace
}  // namespace filestest
