// Transfers that the module or the cable break off half-way: the error reaches the user,
// what arrived stays, and the windows come back to work.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QTimer>

#include <chrono>

#include "editor/devices/DevicesWindow.h"
#include "editor/shell/MainMenu.h"
#include "editor/transfers/ProgressWindow.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "tests/editor/ShellHarness.h"

namespace {

using editor::TCommand;
using simulator::Td7Module;
using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;

constexpr int kRecordsPerPatch = 78;
const QString kDeviceLost = "The MIDI device was removed or its MIDI service stopped.";

// The editor talks to the module through output device 0 ("Out A") and input device 0.
class TransferFaults : public ::testing::Test {
  protected:
    TransferFaults() : editor(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
        editor.Start({}, 0);
        editor.wait->module.LoadRandom(23);
    }

    editor::TfmTamboro& Main() { return editor.Main(); }
    editor::TfmProgress& Progress() { return *editor.windows->fmProgress; }
    void Run(TCommand command) {
        QAction* action = Main().Menu().Action(command);
        ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString();
        action->trigger();
    }
    std::size_t SysexSentTo(int output) const {
        std::size_t count = 0;
        for (const auto& s : editor.midi.SentTo(output))
            if (!s.bytes.empty() && s.bytes[0] == 0xF0) ++count;
        return count;
    }
    static Bytes RecordBytes(midilink::TDumpCollection& dump, int i) {
        const auto& r = dump.Records(i);
        return {r.Data(), r.Data() + r.Size()};
    }
    // Slot p holds, record for record, what the module holds.
    bool SlotMatchesModule(int p) {
        const Td7Module& module = editor.wait->module;
        bool same =
            RecordBytes(Main().Dumps().ProgDump, p) == module.DataSetOf(Td7Module::CommonBlock(p));
        for (int t = 0; t < Td7Module::kTriggerCount; ++t)
            same = same && RecordBytes(Main().Dumps().TriggerDump, 18 * p + t) ==
                               module.DataSetOf(Td7Module::TriggerBlock(p, t));
        for (int n = 0; n < Td7Module::kNoteMapCount; ++n)
            same = same && RecordBytes(Main().Dumps().NotemapDump, 59 * p + n) ==
                               module.DataSetOf(Td7Module::NoteMapBlock(p, n));
        return same;
    }
    std::vector<QString> Errors() {
        std::vector<QString> texts;
        for (const auto& box : editor.boxes.Shown())
            if (box.Kind == editor::TBoxKind::Error) texts.push_back(box.Text);
        return texts;
    }
    // However a transfer ended: normal cursor, no progress window, main window and the
    // transfer commands usable again.
    void ExpectWindowsRestored() {
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(Progress().isVisible());
        EXPECT_TRUE(Main().isEnabled());
        for (TCommand command :
             {TCommand::RequestCurrent, TCommand::RequestAll, TCommand::TransmitAll,
              TCommand::InstRequest, TCommand::SysRequest, TCommand::MidiDevices})
            EXPECT_TRUE(Main().Menu().Action(command)->isEnabled()) << static_cast<int>(command);
    }
    // Options > Midi Devices, choosing output line `line` ("None", mapper, "Out A", "Out B").
    void ChooseOutput(int line) {
        auto& devices = *editor.windows->fmDevices;
        bool shown = false;
        QTimer::singleShot(0, &devices, [&] {
            shown = true;
            devices.coOutput()->setCurrentIndex(line);
            devices.accept();
        });
        Run(TCommand::MidiDevices);
        ASSERT_TRUE(shown);
    }
    // Fills slots from the module the way Request Current does.
    void RequestSlot(int p) {
        Main().SetCurrentPatch(p);
        Run(TCommand::RequestCurrent);
        ASSERT_TRUE(Main().Present().PatchPresent(p));
    }

    shelltest::Editor editor;
};

TEST_F(TransferFaults, ASilentModuleStopsRequestAllAndKeepsWhatArrived) {
    // The module falls silent after answering patches 0..3 and ten requests of patch 4: its
    // common block and triggers 1..9. The eleventh request, trigger 10, goes unanswered.
    const std::size_t answered = 4 * kRecordsPerPatch + 10;
    editor.wait->duringWait = [&] {
        if (SysexSentTo(0) > answered) editor.wait->moduleOn = false;
    };
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Run(TCommand::RequestAll);

    EXPECT_EQ(Errors(), std::vector<QString>{"The unit didn't respond to dump request "
                                             "F0 41 10 58 11 00 04 0A 00 00 00 00 0B 67 F7"});
    EXPECT_EQ(SysexSentTo(0), answered + 1) << "the command stops at the first silence";
    for (int p = 0; p < 4; ++p) {
        EXPECT_TRUE(Main().Present().PatchPresent(p)) << p;
        EXPECT_TRUE(SlotMatchesModule(p)) << p;
    }
    // Patch 4's answered records are stored, the rest not; the slot is not complete.
    EXPECT_FALSE(Main().Present().PatchPresent(4));
    EXPECT_EQ(RecordBytes(Main().Dumps().ProgDump, 4),
              editor.wait->module.DataSetOf(Td7Module::CommonBlock(4)));
    EXPECT_EQ(RecordBytes(Main().Dumps().TriggerDump, 18 * 4 + 8),
              editor.wait->module.DataSetOf(Td7Module::TriggerBlock(4, 8)));
    EXPECT_NE(RecordBytes(Main().Dumps().TriggerDump, 18 * 4 + 9),
              editor.wait->module.DataSetOf(Td7Module::TriggerBlock(4, 9)));
    for (int p = 4; p < 32; ++p) EXPECT_FALSE(Main().Present().PatchPresent(p)) << p;
    EXPECT_EQ(Main().windowTitle(), "Untitled.td7* - Tamboro V1.2") << "what arrived is a change";
    ExpectWindowsRestored();

    // The module answers again: the broken slot can be fetched on its own, the rest stays.
    editor.wait->duringWait = nullptr;
    editor.wait->moduleOn = true;
    RequestSlot(4);
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(SlotMatchesModule(4));
    EXPECT_TRUE(SlotMatchesModule(0));
    EXPECT_FALSE(Main().Present().PatchPresent(5));
}

TEST_F(TransferFaults, OutputLostDuringTransmitAllStopsItWithTheError) {
    RequestSlot(2);
    RequestSlot(5);
    const std::size_t before = SysexSentTo(0);

    // The interface is pulled after ten records of slot 2 went out.
    bool lost = false;
    editor.wait->duringWait = [&] {
        if (!lost && SysexSentTo(0) == before + 10) {
            lost = true;
            editor.midi.LoseOutput(0);
        }
    };
    const auto clockStart = editor.wait->now;
    const auto wallStart = SteadyClock::now();
    Run(TCommand::TransmitAll);
    EXPECT_LT(SteadyClock::now() - wallStart, std::chrono::seconds(10));

    ASSERT_TRUE(lost);
    EXPECT_EQ(Errors(), std::vector<QString>{kDeviceLost});
    EXPECT_EQ(SysexSentTo(0), before + 10);
    EXPECT_LT(Progress().SentCount(), 2 * kRecordsPerPatch);
    EXPECT_LT(editor.wait->now - clockStart, 2 * kRecordsPerPatch * std::chrono::milliseconds(100))
        << "the transmission ran on after the device had gone";
    ExpectWindowsRestored();

    // The user picks the other interface and sends the current patch (5) there.
    editor.wait->duringWait = nullptr;
    ChooseOutput(3);
    EXPECT_TRUE(editor.midi.OutputOpen(1));
    ASSERT_TRUE(Main().Menu().Action(TCommand::TransmitCurrent)->isEnabled());
    Run(TCommand::TransmitCurrent);
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_EQ(SysexSentTo(1), std::size_t{kRecordsPerPatch});
    ExpectWindowsRestored();
}

TEST_F(TransferFaults, OutputLostWithBlocksStillQueuedDuringTransmitCurrent) {
    RequestSlot(7);
    // The driver keeps every block queued, as a slow interface does, and then goes away
    // with them: the queued blocks are given up rather than waited for.
    editor.midi.HoldBlocks(true);
    const std::size_t before = SysexSentTo(0);
    bool lost = false;
    editor.wait->duringWait = [&] {
        if (!lost && SysexSentTo(0) == before + 5) {
            lost = true;
            editor.midi.LoseOutput(0);
        }
    };
    const auto wallStart = SteadyClock::now();
    Run(TCommand::TransmitCurrent);
    EXPECT_LT(SteadyClock::now() - wallStart, std::chrono::seconds(10));

    ASSERT_TRUE(lost);
    EXPECT_EQ(Errors(), std::vector<QString>{kDeviceLost});
    EXPECT_LT(Progress().SentCount(), kRecordsPerPatch);
    EXPECT_EQ(editor.midi.HeldBlocks(), 0) << "the lost device's blocks were not given back";
    EXPECT_FALSE(editor.midi.OutputOpen(0));
    ExpectWindowsRestored();

    editor.wait->duringWait = nullptr;
    editor.midi.HoldBlocks(false);
    ChooseOutput(3);
    Run(TCommand::TransmitCurrent);
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_EQ(SysexSentTo(1), std::size_t{kRecordsPerPatch});
    ExpectWindowsRestored();
}

TEST_F(TransferFaults, ASendRefusedBeforeTheLossIsNoticedStopsInstrumentTransmit) {
    Run(TCommand::InstRequest);
    ASSERT_TRUE(Main().Present().InstrumentsPresent());
    const std::size_t before = SysexSentTo(0);

    // The driver refuses the next block before its notice of the loss has come in.
    bool refusing = false;
    editor.wait->duringWait = [&] {
        if (!refusing && SysexSentTo(0) == before + 3) {
            refusing = true;
            editor.midi.FailAlways(testsupport::FakeMidiService::Call::OutLongMsg,
                                   midiports::result::kDeviceLost);
        }
    };
    Run(TCommand::InstTransmit);
    ASSERT_TRUE(refusing);
    EXPECT_EQ(Errors(), std::vector<QString>{kDeviceLost});
    EXPECT_EQ(Progress().SentCount(), 3) << "the refused record is not counted as sent";
    ExpectWindowsRestored();

    // The driver takes blocks again: the same device sends the whole block.
    editor.wait->duringWait = nullptr;
    editor.midi.FailAlways(testsupport::FakeMidiService::Call::OutLongMsg, 0);
    Run(TCommand::InstTransmit);
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_EQ(SysexSentTo(0), before + 3 + td7::kInstrumentCount);
}

}  // namespace
