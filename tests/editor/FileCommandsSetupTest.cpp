// Setups through the menu, at start and on closing: the dialogs, the ".td7" rule, failed
// saves and loads that change nothing, and the caption that follows only what succeeded.

#include "editor/shell/Settings.h"
#include "td7/files/SetupFile.h"
#include "tests/editor/FileCommandsFixture.h"
#include "tests/support/ReadOnlyFolder.h"

namespace filesgui {
namespace {

using editor::TAnswer;
using editor::TFileDialogMode;

// The file the editor writes with only slot 3 filled from the default patch: the
// signature, two empty slots, slot 3, twenty-nine empty slots, no instruments, no system.
Bytes OnlySlot3Setup() {
    Bytes file(1619, 0x00);
    const std::string_view signature = "TD7Setup10";
    std::copy(signature.begin(), signature.end(), file.begin());
    file[12] = 0x01;
    const auto patch = td7::DefaultPatchBytes();
    std::copy(patch.begin(), patch.end(), file.begin() + 13);
    return file;
}

using SetupCommands = FileCommandsTest;

TEST_F(SetupCommands, SaveSetupChecksTheExtensionAndTakesTheName) {
    Start();
    Initialize(2);
    ASSERT_EQ(Caption(), "Untitled.td7* - Tamboro V1.2");

    // Another extension is refused, whatever its case, and nothing is written.
    Dialogs().SetNextFile(QString::fromStdString((editor.dir / "kit.syx").string()));
    Run(TCommand::SaveSetup);
    EXPECT_EQ(Errors(), std::vector<QString>{"Other extension than \".td7\" not allowed"});
    EXPECT_FALSE(fs::exists(editor.dir / "kit.syx"));
    EXPECT_EQ(Caption(), "Untitled.td7* - Tamboro V1.2");

    const auto& shown = Dialogs().Shown().back();
    EXPECT_EQ(shown.Mode, TFileDialogMode::Save);
    EXPECT_EQ(shown.Title, "Save TD7 Setup...");
    EXPECT_EQ(shown.Filter, "TD7 Data|*.td7");
    EXPECT_EQ(editor::QtFilter(shown.Filter), "TD7 Data (*.td7)");
    EXPECT_EQ(shown.DefaultSuffix, "td7");
    EXPECT_EQ(shown.Directory.toStdString(), editor.dir.string())
        << "starts in the program's folder";

    // ".TD7" is ".td7".
    const fs::path kit = editor.dir / "Kit.TD7";
    Dialogs().SetNextFile(QString::fromStdString(kit.string()));
    Run(TCommand::SaveSetup);
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_EQ(ReadBytes(kit), OnlySlot3Setup());
    EXPECT_EQ(Main().SetupFileName(), kit.string());
    EXPECT_EQ(Caption(), "Kit.TD7 - Tamboro V1.2");

    // A name typed without extension gets ".td7"; cancelling writes nothing.
    Dialogs().SetNextFile(QString::fromStdString((editor.dir / "plain").string()));
    Run(TCommand::SaveSetup);
    EXPECT_EQ(ReadBytes(editor.dir / "plain.td7"), OnlySlot3Setup());
    EXPECT_EQ(Caption(), "plain.td7 - Tamboro V1.2");
    Dialogs().SetNextCancel();
    Run(TCommand::SaveSetup);
    EXPECT_EQ(Main().SetupFileName(), (editor.dir / "plain.td7").string());
    EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(SetupCommands, DialogsStartWhereTheLastFileWasChosenAndRecentSetupsReopen) {
    Start();
    Initialize(2);
    const fs::path kits = editor.dir / "kits";
    fs::create_directories(kits);
    const std::string a = (kits / "a.td7").string();
    const std::string b = (kits / "b.td7").string();
    for (const std::string& name : {a, b}) {
        Dialogs().SetNextFile(QString::fromStdString(name));
        Run(TCommand::SaveSetup);
    }
    // Any dialog now starts in the folder of the file chosen last.
    Dialogs().SetNextCancel();
    Run(TCommand::InstLoad);
    EXPECT_EQ(Dialogs().Shown().back().Directory.toStdString(), kits.string());

    // The File menu lists them newest first, with Alt+1, Alt+2.
    auto entry = [this](int k) { return Main().Menu().NumberedAction(TCommand::OpenRecent, k); };
    EXPECT_EQ(entry(1)->text().toStdString(), "&1 " + b);
    EXPECT_EQ(entry(1)->shortcut(), QKeySequence(QStringLiteral("Alt+1")));
    EXPECT_EQ(entry(2)->text().toStdString(), "&2 " + a);
    EXPECT_TRUE(entry(2)->isVisible());
    EXPECT_FALSE(entry(3)->isVisible());

    // With edits, an entry asks with Cancel beside yes and no; Cancel (also Escape's
    // answer) keeps the edits and loads nothing.
    Main().Dumps().SystemDump.SetModified(true);
    ASSERT_TRUE(Main().AnyModified());
    editor.boxes.ClearShown();
    editor.boxes.SetNextAnswer(TAnswer::Cancel);
    RunNumbered(TCommand::OpenRecent, 2);
    ASSERT_EQ(editor.boxes.Shown().size(), 1u);
    EXPECT_EQ(editor.boxes.Shown()[0].Kind, editor::TBoxKind::ConfirmCancel);
    EXPECT_EQ(Main().SetupFileName(), b);
    EXPECT_TRUE(Main().AnyModified());

    // An entry loads its setup, which moves to the top; a file that is gone is reported
    // and leaves the list.
    editor.boxes.SetNextAnswer(TAnswer::No);
    RunNumbered(TCommand::OpenRecent, 2);
    EXPECT_EQ(Main().SetupFileName(), a);
    EXPECT_FALSE(Main().AnyModified());
    EXPECT_EQ(Main().RecentSetups(), (std::vector<std::string>{a, b}));
    fs::remove(b);
    RunNumbered(TCommand::OpenRecent, 2);
    EXPECT_EQ(Errors(), std::vector<QString>{QString::fromStdString("File " + b + " not found.")});
    EXPECT_EQ(Main().RecentSetups(), std::vector<std::string>{a});
    EXPECT_FALSE(entry(2)->isVisible());

    // Both are kept for the next run.
    Main().close();
    const editor::TSettings written = editor::LoadSettings(editor.settingsFile);
    EXPECT_EQ(written.LastDir, kits.string());
    EXPECT_EQ(written.RecentSetups, std::vector<std::string>{a});
}

TEST_F(SetupCommands, SaveIntoAFolderThatCannotBeWrittenKeepsTheOldFileAndCaption) {
    Start();
    Initialize(0);
    const fs::path folder = editor.dir / "kits";
    fs::create_directories(folder);
    const fs::path old = folder / "old.td7";
    Dialogs().SetNextFile(QString::fromStdString(old.string()));
    Run(TCommand::SaveSetup);
    ASSERT_TRUE(Errors().empty());
    const Bytes before = ReadBytes(old);

    Initialize(5);
    ASSERT_EQ(Caption(), "old.td7* - Tamboro V1.2");
    {
        testsupport::TReadOnlyFolder locked(folder);
        if (!locked.Blocked()) GTEST_SKIP() << "this system lets the test write anywhere";
        for (const char* name : {"old.td7", "new.td7"}) {
            Dialogs().SetNextFile(QString::fromStdString((folder / name).string()));
            Run(TCommand::SaveSetup);
            ASSERT_EQ(Errors().size(), 1u) << name;
            EXPECT_FALSE(Errors().back().isEmpty());
            editor.boxes.ClearShown();
            EXPECT_EQ(ReadBytes(old), before);
            EXPECT_FALSE(fs::exists(folder / "new.td7"));
            EXPECT_EQ(Main().SetupFileName(), old.string());
            EXPECT_EQ(Caption(), "old.td7* - Tamboro V1.2") << "still changed, still the old name";
        }
        // The close question's save fails the same way, and the window stays open.
        editor.boxes.SetNextAnswer(TAnswer::Yes);
        EXPECT_FALSE(Main().close());
        EXPECT_EQ(Errors().size(), 1u);
        EXPECT_EQ(ReadBytes(old), before);
    }
    EXPECT_EQ(editor::LoadSettings(editor.settingsFile).LastSetup, "")
        << "settings are not written by a close that did not happen";
}

TEST_F(SetupCommands, LoadSetupReadsTheFileSelectsTheCurrentPatchAndTakesTheName) {
    const fs::path kit = editor.dir / "kit.td7";
    WriteBytes(kit, OnlySlot3Setup());
    Start();
    Receive(0);
    ClickPatch(0);
    ASSERT_TRUE(Main().PatchEditing());
    ASSERT_TRUE(Main().AnyModified());

    // Changed: asked first; no goes on without saving.
    editor.boxes.SetNextAnswer(TAnswer::No);
    Dialogs().SetNextFile(QString::fromStdString(kit.string()));
    const auto pressed = AnswerQuery(QueryEmpty().btnCancel());
    Run(TCommand::LoadSetup);
    ASSERT_GE(editor.boxes.Shown().size(), 1u);
    EXPECT_EQ(editor.boxes.Shown()[0].Kind, editor::TBoxKind::ConfirmNoEscape);
    EXPECT_EQ(editor.boxes.Shown()[0].Text,
              "The current setup is changed, do you want to save it?");
    EXPECT_EQ(Dialogs().Shown().size(), 1u) << "only the open dialog ran";
    EXPECT_EQ(Dialogs().Shown()[0].Mode, TFileDialogMode::Open);
    EXPECT_EQ(Dialogs().Shown()[0].Title, "Open TD7 Setup...");
    EXPECT_EQ(Dialogs().Shown()[0].Filter, "TD7 Data|*.td7");

    // Slot 1 of the file is empty: the current patch is selected, so the dialog asked.
    EXPECT_TRUE(*pressed);
    EXPECT_FALSE(Main().Present().PatchPresent(0));
    EXPECT_TRUE(Main().Present().PatchPresent(2));
    EXPECT_FALSE(Main().PatchEditing());
    EXPECT_EQ(Patch().edName()->text(), "Empty ");
    EXPECT_EQ(Main().SetupFileName(), kit.string());
    EXPECT_EQ(Caption(), "kit.td7 - Tamboro V1.2");
    const auto defaults = td7::DefaultPatchBytes();
    const Bytes common = PatchRecords(2)[0];
    EXPECT_EQ(common, Bytes(defaults.begin(), defaults.begin() + 58));

    // A file that is no setup, or one cut short, changes nothing.
    const Bytes good = OnlySlot3Setup();
    const std::vector<std::pair<std::string, Bytes>> bad = {
        {"sig.td7",
         [&] {
             Bytes b = good;
             b[9] = '1';
             return b;
         }()},
        {"short.td7", Bytes(good.begin(), good.end() - 100)},
        {"flag.td7",
         [&] {
             Bytes b = good;
             b[10] = 0x02;
             return b;
         }()},
    };
    const std::vector<Bytes> slot3 = PatchRecords(2);
    for (const auto& [name, bytes] : bad) {
        editor.boxes.ClearShown();
        WriteBytes(editor.dir / name, bytes);
        Dialogs().SetNextFile(QString::fromStdString((editor.dir / name).string()));
        Run(TCommand::LoadSetup);
        EXPECT_EQ(Errors(), std::vector<QString>{"Not a TD7 setup file..."}) << name;
        EXPECT_TRUE(Main().Present().PatchPresent(2)) << name;
        EXPECT_EQ(PatchRecords(2), slot3) << name;
        EXPECT_EQ(Main().SetupFileName(), kit.string()) << name;
        EXPECT_EQ(Caption(), "kit.td7 - Tamboro V1.2") << name;
    }
}

TEST_F(SetupCommands, LoadSetupOffersToSaveAndStopsWhenThatSaveFailsOrIsCancelled) {
    const fs::path kit = editor.dir / "kit.td7";
    WriteBytes(kit, OnlySlot3Setup());
    Start();
    Receive(0);
    ClickPatch(0);

    // Yes, and the save is refused: nothing is loaded.
    editor.boxes.SetNextAnswer(TAnswer::Yes);
    Dialogs().SetNextFile(QString::fromStdString((editor.dir / "mine.syx").string()));
    Run(TCommand::LoadSetup);
    EXPECT_EQ(Errors(), std::vector<QString>{"Other extension than \".td7\" not allowed"});
    EXPECT_EQ(Dialogs().Shown().size(), 1u);
    EXPECT_TRUE(Main().Present().PatchPresent(0));

    // Yes, and the save is cancelled: the load is cancelled with it, the edits stay.
    editor.boxes.ClearShown();
    editor.boxes.SetNextAnswer(TAnswer::Yes);
    Dialogs().SetNextCancel();
    Run(TCommand::LoadSetup);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Dialogs().Shown().size(), 2u) << "no open dialog after the cancelled save";
    EXPECT_NE(Main().SetupFileName(), kit.string());
    EXPECT_TRUE(Main().Present().PatchPresent(0));
    EXPECT_TRUE(Main().AnyModified());
}

TEST_F(SetupCommands, StartLoadsTheLastSetup) {
    Bytes file = OnlySlot3Setup();
    file[10] = 0x01;  // slot 1 present as well, with slot 3's records
    const auto patch = td7::DefaultPatchBytes();
    file.insert(file.begin() + 11, patch.begin(), patch.end());
    const fs::path last = editor.dir / "Last.td7";
    WriteBytes(last, file);
    editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\nLastSetup=" + last.string() + "\n");

    Start();
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Caption(), "Last.td7 - Tamboro V1.2");
    EXPECT_TRUE(Main().Present().PatchPresent(0));
    EXPECT_TRUE(Main().Present().PatchPresent(2));
    EXPECT_FALSE(Main().Present().PatchPresent(1));
    // Patch 1, the current one, is selected once the start is over.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Main().PatchEditing(); }, 5000));
    EXPECT_EQ(Patch().edName()->text(), "Patch ");
    EXPECT_EQ(Caption(), "Last.td7 - Tamboro V1.2");

    // Closing unchanged asks nothing and remembers the setup.
    EXPECT_TRUE(Main().close());
    EXPECT_TRUE(editor.boxes.Shown().empty());
    EXPECT_EQ(editor::LoadSettings(editor.settingsFile).LastSetup, last.string());
}

TEST_F(SetupCommands, StartWithAnEmptyCurrentSlotAsksAfterTheStart) {
    const fs::path last = editor.dir / "last.td7";
    WriteBytes(last, OnlySlot3Setup());
    editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\nLastSetup=" + last.string() + "\n");
    Create();
    const auto pressed = AnswerQuery(QueryEmpty().btnInitialize());
    editor.Show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return *pressed; }, 5000));
    EXPECT_FALSE(editor.about.isVisible()) << "the splash is gone before the question";
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_EQ(Caption(), "last.td7* - Tamboro V1.2") << "the filled slot counts as a change";
}

TEST_F(SetupCommands, CommandLineFileThatDoesNotExistFallsBackToTheLastSetup) {
    const fs::path last = editor.dir / "last.td7";
    WriteBytes(last, OnlySlot3Setup());
    editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\nLastSetup=" + last.string() + "\n");
    const QString missing = QString::fromStdString((editor.dir / "missing.td7").string());
    Create({missing});
    const auto pressed = AnswerQuery(QueryEmpty().btnCancel());
    editor.Show();
    EXPECT_EQ(Errors(), std::vector<QString>{"File " + missing + " not found."});
    EXPECT_EQ(Main().SetupFileName(), last.string());
    EXPECT_TRUE(Main().Present().PatchPresent(2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return *pressed; }, 5000));
    EXPECT_EQ(Caption(), "last.td7 - Tamboro V1.2");
}

TEST_F(SetupCommands, TheCloseQuestionsYesSaves) {
    Start();
    Initialize(2);

    // Without a name: the save dialog, proposing none; the file is taken as chosen.
    const fs::path chosen = editor.dir / "closing.td7";
    Dialogs().SetNextFile(QString::fromStdString(chosen.string()));
    editor.boxes.SetNextAnswer(TAnswer::Yes);
    EXPECT_TRUE(Main().close());
    ASSERT_EQ(Dialogs().Shown().size(), 1u);
    EXPECT_EQ(Dialogs().Shown()[0].Title, "Save TD7 Setup...");
    EXPECT_EQ(Dialogs().Shown()[0].FileName, "");
    EXPECT_EQ(ReadBytes(chosen), OnlySlot3Setup());
    EXPECT_EQ(editor::LoadSettings(editor.settingsFile).LastSetup, chosen.string());

    // With a name: saved there, no dialog.
    Main().show();
    Initialize(3);
    editor.boxes.SetNextAnswer(TAnswer::Yes);
    EXPECT_TRUE(Main().close());
    EXPECT_EQ(Dialogs().Shown().size(), 1u);
    EXPECT_EQ(ReadBytes(chosen).size(), 10u + 2 * 1576 + 30 + 2);
}

}  // namespace
}  // namespace filesgui
