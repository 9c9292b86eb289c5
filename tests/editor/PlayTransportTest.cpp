#include <gtest/gtest.h>

#include <QAction>
#include <QTest>

#include <array>
#include <filesystem>
#include <fstream>
#include <set>

#include "editor/shell/EditorWindows.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/StatusLine.h"
#include "editor/transport/GrooveTransport.h"
#include "td7/audition/KitNotes.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "tests/editor/ShellHarness.h"

namespace {

using editor::TCommand;
using shelltest::Editor;

// The Play menu against the virtual module on output 0, patch 7 requested from it, so that
// no system block is present and note-offs are sent.
class PlayTransport : public ::testing::Test {
  protected:
    PlayTransport() : editor(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        std::filesystem::create_directories(editor.dir / "grooves");
        std::ofstream(editor.dir / "grooves" / "two.groove") << "name: Two\nbars: 1\nbeats: 4\n"
                                                                "steps-per-beat: 1\n"
                                                                "kick: 100 . 90 .\n"
                                                                "snare: . 110 . 120\n";
        editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
        editor.Start({}, 0);
        editor.wait->module.LoadRandom(11);
        Main().SetCurrentPatch(6);
        Run(TCommand::RequestCurrent);
    }

    editor::TfmTamboro& Main() { return editor.Main(); }
    editor::TGrooveTransport& Transport() { return *editor.windows->Transport; }
    void Run(TCommand command) { Main().Menu().Action(command)->trigger(); }
    // The short messages sent to the module since `from`, as (status, note).
    std::vector<std::array<int, 2>> Notes(std::size_t from = 0) {
        std::vector<std::array<int, 2>> notes;
        const auto sent = editor.midi.SentTo(0);
        for (std::size_t i = from; i < sent.size(); ++i)
            if (!sent[i].isLong && sent[i].bytes.size() == 3 && (sent[i].bytes[0] & 0xE0) == 0x80)
                notes.push_back({sent[i].bytes[0], sent[i].bytes[1]});
        return notes;
    }

    Editor editor;
};

TEST_F(PlayTransport, PlaysTheCurrentKitsNotesOnChannel10) {
    const td7::TKitNotes kit = td7::KitNotesOfPatch(Main().Dumps(), Main().Present(), 6);
    ASSERT_TRUE(kit[0] && kit[1]);
    Transport().SetLoop(false);
    Transport().Player().SetWait([](auto) {});
    Run(TCommand::PlayGroove);
    Transport().Player().Wait();
    std::multiset<int> on;
    for (const auto& [status, note] : Notes())
        if (status == 0x99) on.insert(note);
    EXPECT_EQ(on, (std::multiset<int>{kit[0]->Note, kit[0]->Note, kit[1]->Note, kit[1]->Note}));
}

TEST_F(PlayTransport, ARequestWhilePlayingStopsItFirstAndSaysSo) {
    Run(TCommand::PlayGroove);
    ASSERT_TRUE(Transport().Playing()) << Main().Status().Text().toStdString();
    EXPECT_EQ(Main().Menu().Action(TCommand::PlayGroove)->text(), "&Stop");
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Run(TCommand::RequestCurrent);
    EXPECT_FALSE(Transport().Playing());
    EXPECT_TRUE(Main().Status().Text().contains("Stopped playing for the transfer"))
        << Main().Status().Text().toStdString();
}

TEST_F(PlayTransport, StopLeavesNoNoteSounding) {
    const std::size_t from = editor.midi.SentTo(0).size();
    Transport().SetBpm(240);
    Run(TCommand::PlayGroove);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Notes(from).empty(); }, 10000));
    Run(TCommand::PlayGroove);  // the same entry stops
    EXPECT_FALSE(Transport().Playing());
    std::array<int, 128> sounding{};
    for (const auto& [status, note] : Notes(from)) sounding[note] += status == 0x99 ? 1 : -1;
    EXPECT_EQ(sounding, (std::array<int, 128>{}));
}

}  // namespace
