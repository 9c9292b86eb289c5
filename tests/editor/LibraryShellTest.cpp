#include <gtest/gtest.h>

#include <QAction>

#include "editor/FileCommands.h"
#include "editor/LibraryAccess.h"
#include "editor/MainMenu.h"
#include "library/Library.h"
#include "td7/PresentFlags.h"
#include "tests/editor/ShellHarness.h"

namespace {

using app::TBoxKind;
using app::TCommand;
using shelltest::Editor;
namespace fs = std::filesystem;

class LibraryShell : public ::testing::Test {
  protected:
    LibraryShell() : editor(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}

    void Start(const std::string& library = {}) {
        editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n" + library);
        editor.Start({}, 0);
        editor.wait->module.LoadRandom(21);
    }
    void Run(TCommand command) { editor.Main().Menu().Action(command)->trigger(); }
    std::vector<QString> Errors() {
        std::vector<QString> texts;
        for (const auto& box : editor.boxes.Shown())
            if (box.Kind == TBoxKind::Error) texts.push_back(box.Text);
        return texts;
    }
    fs::path LibraryFile() const { return editor.dir / "library.sqlite3"; }

    Editor editor;
};

TEST_F(LibraryShell, RequestsAndLoadedSetupsAreRememberedWithTheirSources) {
    Start();
    EXPECT_FALSE(fs::exists(LibraryFile())) << "the start does not open the library";
    editor.boxes.SetNextAnswer(app::TAnswer::Yes);
    Run(TCommand::RequestAll);
    Run(TCommand::InstRequest);
    Run(TCommand::SysRequest);
    ASSERT_TRUE(Errors().empty());

    const fs::path setup = editor.dir / "gig.td7";
    editor.windows->Files->Setup().SaveTo(setup);
    editor.windows->Files->LoadSetupFrom(setup);

    library::TLibrary lib(LibraryFile());
    const auto info = lib.Info();
    EXPECT_EQ(info.Kits, 32);
    EXPECT_EQ(info.Instruments, 1);
    EXPECT_EQ(info.Systems, 1);
    const auto kit = lib.Find({.Kind = library::TKind::Kit}, 1).front();
    const auto sources = lib.Sources(kit.Id);
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].Origin, "TD-7 (device ID 17) " + lib.Today());
    EXPECT_EQ(sources[1].Origin, setup.string());
}

TEST_F(LibraryShell, HistoryOffAddsNothing) {
    Start("[Library]\nHistory=0\n");
    editor.boxes.SetNextAnswer(app::TAnswer::Yes);
    Run(TCommand::RequestAll);
    Run(TCommand::SysRequest);
    EXPECT_TRUE(editor.Main().Present().SystemPresent());
    EXPECT_FALSE(fs::exists(LibraryFile()));
}

TEST_F(LibraryShell, ALibraryThatCannotBeOpenedIsSaidOnceAndEverythingElseWorks) {
    const fs::path damaged = editor.dir / "elsewhere.sqlite3";
    std::ofstream(damaged, std::ios::binary) << std::string(4096, 'x');
    Start("[Library]\nLibraryFile=" + damaged.string() + "\n");
    Run(TCommand::InstRequest);
    Run(TCommand::SysRequest);
    EXPECT_TRUE(editor.Main().Present().InstrumentsPresent());
    EXPECT_TRUE(editor.Main().Present().SystemPresent());
    const QString expected =
        "The library could not be opened: " + QString::fromStdString(damaged.string()) +
        ": file is not a database";
    EXPECT_EQ(Errors(), std::vector<QString>{expected});
}

}  // namespace
