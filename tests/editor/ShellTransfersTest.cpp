#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "editor/shell/MainMenu.h"
#include "editor/transfers/ProgressWindow.h"
#include "editor/shell/StatusLine.h"
#include "editor/transfers/TransferCommands.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "simulator/VirtualTd7.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/session/VirtualTd7Service.h"
#include "tests/editor/ShellHarness.h"

namespace {

using editor::TBoxKind;
using editor::TCommand;
using shelltest::Editor;
using simulator::Td7Module;
using Bytes = std::vector<std::uint8_t>;

// The editor talks to the module through output device 0 and input device 0.
class ShellTransfers : public ::testing::Test {
  protected:
    ShellTransfers() : editor(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
        editor.Start({}, 0);
        editor.wait->module.LoadRandom(11);
    }

    editor::TfmTamboro& Main() { return editor.Main(); }
    void Run(TCommand command) { Main().Menu().Action(command)->trigger(); }
    std::vector<Bytes> SentSysex() {
        std::vector<Bytes> out;
        for (const auto& s : editor.midi.SentTo(0))
            if (!s.bytes.empty() && s.bytes[0] == 0xF0) out.push_back(s.bytes);
        return out;
    }
    static Bytes RecordBytes(midilink::TDumpCollection& dump, int i) {
        const auto& r = dump.Records(i);
        return {r.Data(), r.Data() + r.Size()};
    }
    std::vector<QString> Errors() {
        std::vector<QString> texts;
        for (const auto& box : editor.boxes.Shown())
            if (box.Kind == TBoxKind::Error) texts.push_back(box.Text);
        return texts;
    }

    Editor editor;
};

TEST_F(ShellTransfers, RequestCurrentAsksOnlyForAPresentSlot) {
    Main().SetCurrentPatch(6);
    Run(TCommand::RequestCurrent);
    EXPECT_TRUE(editor.boxes.Shown().empty()) << "an empty slot is requested without asking";
    EXPECT_EQ(SentSysex().size(), 78u);
    EXPECT_TRUE(Main().Present().PatchPresent(6));
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_TRUE(Main().Menu().Action(TCommand::TransmitCurrent)->isEnabled());
    EXPECT_EQ(RecordBytes(Main().Dumps().TriggerDump, 18 * 6 + 17),
              editor.wait->module.DataSetOf(Td7Module::TriggerBlock(6, 17)));

    // Present now: the question comes, and "no" leaves the slot alone.
    editor.boxes.SetNextAnswer(editor::TAnswer::No);
    Run(TCommand::RequestCurrent);
    ASSERT_EQ(editor.boxes.Shown().size(), 1u);
    EXPECT_EQ(editor.boxes.Shown()[0].Kind, TBoxKind::Confirm);
    EXPECT_EQ(editor.boxes.Shown()[0].Caption, "Confirm...");
    EXPECT_EQ(editor.boxes.Shown()[0].Text,
              "Are you sure you want to overwrite the current patch?");
    EXPECT_EQ(SentSysex().size(), 78u);

    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Run(TCommand::RequestCurrent);
    EXPECT_EQ(SentSysex().size(), 156u);
    EXPECT_EQ(Main().windowTitle(), "Untitled.td7* - Tamboro V1.2");
}

TEST_F(ShellTransfers, RequestAllFillsEverySlotFromTheModule) {
    int effectPages = 0;
    editor.windows->Transfers->OnShowEffectPages = [&] { ++effectPages; };
    editor.boxes.SetNextAnswer(editor::TAnswer::No);
    Run(TCommand::RequestAll);
    EXPECT_EQ(editor.boxes.Shown().back().Text,
              "Are you sure you want to overwrite the current patches?");
    EXPECT_TRUE(SentSysex().empty()) << "asked even with every slot empty; no sends nothing";

    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Run(TCommand::RequestAll);
    EXPECT_TRUE(Errors().empty());
    for (int p = 0; p < 32; ++p) {
        EXPECT_TRUE(Main().Present().PatchPresent(p)) << p;
        EXPECT_EQ(RecordBytes(Main().Dumps().ProgDump, p),
                  editor.wait->module.DataSetOf(Td7Module::CommonBlock(p)));
    }
    EXPECT_EQ(RecordBytes(Main().Dumps().NotemapDump, 1887),
              editor.wait->module.DataSetOf(Td7Module::NoteMapBlock(31, 58)));
    EXPECT_EQ(effectPages, 1);
    EXPECT_EQ(Main().Status().Text(), "2496 dumps recieved...");
}

TEST_F(ShellTransfers, InstrumentsAndSystemBecomePresentWhenRequested) {
    EXPECT_FALSE(Main().Menu().Action(TCommand::InstTransmit)->isEnabled());
    Run(TCommand::InstRequest);
    EXPECT_TRUE(Main().Present().InstrumentsPresent());
    EXPECT_TRUE(Main().Menu().Action(TCommand::InstTransmit)->isEnabled());
    EXPECT_EQ(RecordBytes(Main().Dumps().InstrumentDump, 300),
              editor.wait->module.DataSetOf(Td7Module::InstrumentBlock(300)));

    EXPECT_FALSE(Main().Menu().Action(TCommand::SysTransmit)->isEnabled());
    Run(TCommand::SysRequest);
    EXPECT_TRUE(Main().Menu().Action(TCommand::SysTransmit)->isEnabled());
    const std::size_t before = SentSysex().size();
    Run(TCommand::SysTransmit);
    ASSERT_EQ(SentSysex().size(), before + 1);
    EXPECT_EQ(SentSysex().back(), editor.wait->module.DataSetOf(Td7Module::SystemBlock()));
}

TEST_F(ShellTransfers, AModuleWithAnotherDeviceIdTimesOut) {
    editor.wait->module.SetDeviceId(0x11);
    const auto start = editor.wait->now;
    Run(TCommand::SysRequest);
    EXPECT_EQ(Errors(), std::vector<QString>{"The unit didn't respond to dump request "
                                             "F0 41 10 58 11 03 00 00 00 00 00 00 17 66 F7"});
    EXPECT_GT(editor.wait->now - start, std::chrono::milliseconds(1000));
    EXPECT_FALSE(Main().Present().SystemPresent());
    EXPECT_TRUE(Main().Menu().Action(TCommand::SysRequest)->isEnabled());
}

TEST_F(ShellTransfers, TransmitAllSendsTwoPresentSlotsBehindTheProgressWindow) {
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Main().SetCurrentPatch(2);
    Run(TCommand::RequestCurrent);
    Main().SetCurrentPatch(5);
    Run(TCommand::RequestCurrent);
    const std::size_t before = SentSysex().size();

    auto& progress = *editor.windows->fmProgress;
    bool disabledDuring = false, progressShown = false, menusOff = false;
    editor.wait->duringWait = [&] {
        disabledDuring = !Main().isEnabled();
        progressShown = progress.isVisible();
        menusOff = !Main().Menu().Action(TCommand::RequestAll)->isEnabled();
    };
    const auto start = editor.wait->now;
    Run(TCommand::TransmitAll);

    const auto sent = SentSysex();
    ASSERT_EQ(sent.size() - before, 156u);
    EXPECT_EQ(sent[before][6], 0x02);
    EXPECT_EQ(sent[before + 78][6], 0x05);
    EXPECT_EQ(sent.back(), RecordBytes(Main().Dumps().NotemapDump, 59 * 5 + 58));
    EXPECT_EQ(editor.wait->now - start, 156 * std::chrono::milliseconds(100));
    EXPECT_TRUE(disabledDuring);
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(menusOff);
    EXPECT_EQ(progress.edCount()->text(), "156");
    EXPECT_EQ(progress.ProgressBar1()->maximum(), 78);
    EXPECT_EQ(progress.ProgressBar1()->value(), 78);
    EXPECT_FALSE(progress.isVisible());
    EXPECT_TRUE(Main().isEnabled());
    EXPECT_TRUE(Main().Menu().Action(TCommand::RequestAll)->isEnabled());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ShellTransfers, TransmitAllWithoutPatchesAndCancel) {
    Run(TCommand::TransmitAll);
    EXPECT_EQ(Errors(), std::vector<QString>{"No patches to send"});
    EXPECT_TRUE(SentSysex().empty());
    EXPECT_FALSE(editor.windows->fmProgress->isVisible());

    Run(TCommand::InstRequest);
    const std::size_t before = SentSysex().size();
    auto& progress = *editor.windows->fmProgress;
    editor.wait->duringWait = [&] {
        if (progress.SentCount() == 3) progress.btnCancel()->click();
    };
    Run(TCommand::InstTransmit);
    EXPECT_EQ(SentSysex().size() - before, 3u) << "cancel stops after the record being sent";
    EXPECT_FALSE(progress.isVisible());
    EXPECT_TRUE(Main().isEnabled());
    EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(ShellTransfers, TheWindowDoesNotCloseWhileATransferWaits) {
    bool closed = true;
    editor.wait->moduleOn = false;
    editor.wait->duringWait = [&] {
        editor.wait->duringWait = nullptr;
        closed = Main().close();
    };
    Run(TCommand::SysRequest);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(Main().isVisible());
}

}  // namespace

namespace {

// The whole way, at the real pace of the machine: the built-in virtual TD-7 answers from
// its own thread, and the window's own wait sleeps in the event loop until each answer.
TEST(ShellVirtualModule, RequestAllFillsEverySlotThroughTheVirtualDevice) {
    shelltest::TestApplication();
    midilink::ClearDeviceIds();
    td7::VirtualTd7Service midi;
    {
        std::lock_guard lock(midi.Module().ModuleMutex());
        midi.Module().Module().LoadRandom(5);
    }
    editor::MessageBoxes boxes;
    boxes.SetHeadless(true);
    editor::ErrorDisplay errors(boxes);
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tamboro-shell-virtual-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "tamboro.ini") << "[General]\nMidiInDev=1\nMidiOutDev=2\n";

    const editor::TMainServices services = shelltest::ServicesFor(midi, boxes, errors, dir);
    editor::TfmAbout about;
    {
        editor::TEditorWindows windows(services, about);
        auto& main = *windows.fmTamboro;
        main.show();
        ASSERT_NE(main.MidiInput1().Handle(), nullptr);
        ASSERT_NE(main.MidiOutput1().Handle(), nullptr);

        boxes.SetNextAnswer(editor::TAnswer::Yes);
        main.Menu().Action(TCommand::RequestAll)->trigger();
        std::vector<QString> errorTexts;
        for (const auto& box : boxes.Shown())
            if (box.Kind == TBoxKind::Error) errorTexts.push_back(box.Text);
        EXPECT_TRUE(errorTexts.empty()) << errorTexts.front().toStdString();
        std::lock_guard lock(midi.Module().ModuleMutex());
        const Td7Module& module = midi.Module().Module();
        for (int p = 0; p < 32; ++p) {
            EXPECT_TRUE(main.Present().PatchPresent(p)) << p;
            const auto& r = main.Dumps().ProgDump.Records(p);
            EXPECT_EQ(Bytes(r.Data(), r.Data() + r.Size()),
                      module.DataSetOf(Td7Module::CommonBlock(p)));
        }
        const auto& last = main.Dumps().NotemapDump.Records(1887);
        EXPECT_EQ(Bytes(last.Data(), last.Data() + last.Size()),
                  module.DataSetOf(Td7Module::NoteMapBlock(31, 58)));
        main.Dumps().ProgDump.SetModified(false);
        main.Dumps().TriggerDump.SetModified(false);
        main.Dumps().NotemapDump.SetModified(false);
    }
    midilink::ClearDeviceIds();
    std::filesystem::remove_all(dir);
}

}  // namespace
