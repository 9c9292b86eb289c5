#include <gtest/gtest.h>

#include <QAction>
#include <QShortcut>
#include <QApplication>
#include <QCompleter>
#include <QDropEvent>
#include <QLineEdit>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>
#include <QDialog>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <map>

#include "editor/compare/CompareCommand.h"
#include "editor/files/FileCommands.h"
#include "editor/shell/Help.h"
#include "editor/library/LibraryAccess.h"
#include "editor/library/LibraryModel.h"
#include "editor/library/LibraryWindow.h"
#include "editor/library/SearchTagCompleter.h"
#include "editor/shell/MainMenu.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "editor/transfers/ProgressWindow.h"
#include "library/Items.h"
#include "library/Library.h"
#include "td7/files/DumpFiles.h"
#include "simulator/Td7Module.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"
#include "td7/history/EditHistory.h"
#include "tests/editor/ShellHarness.h"

namespace {

using editor::TBoxKind;
using editor::TCommand;
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
    // The module's kits requested into the mirror (and so the library), then the window.
    editor::TfmLibrary& OpenAfterRequestAll() {
        Start();
        editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
        Run(TCommand::RequestAll);
        Run(TCommand::Library);
        return *editor.windows->fmLibrary;
    }
    library::TLibrary& Lib() { return *editor.windows->Library->Get(); }
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
    Run(TCommand::Library);
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Run(TCommand::RequestAll);
    Run(TCommand::InstRequest);
    Run(TCommand::SysRequest);
    ASSERT_TRUE(Errors().empty());
    EXPECT_EQ(editor.windows->fmLibrary->Model().Total(), 34) << "the open window follows";

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
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
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

TEST_F(LibraryShell, ADamagedLibraryOffersTheNewestGoodBackupAndAnUnchangedOneIsNotBackedUpAgain) {
    const fs::path file = editor.dir / "kits.sqlite3";
    const fs::path folder = editor.dir / "kits-backups";
    fs::create_directories(folder);
    {
        simulator::Td7Module module;
        module.LoadRandom(3);
        library::TLibrary lib(file);
        lib.Add(library::TKind::Kit, module.PatchDataSets(0), "gig.td7", 1);
        lib.Backup(folder / "kits-2020-01-02.sqlite3");
    }
    {
        std::fstream damage(file, std::ios::in | std::ios::out | std::ios::binary);
        damage.write("not a library any more", 22);
    }
    Start("[Library]\nLibraryFile=" + file.string() + "\n");
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Run(TCommand::Library);
    ASSERT_NE(editor.windows->fmLibrary, nullptr);
    EXPECT_TRUE(editor.boxes.Shown().front().Text.contains("Restore the newest good backup"));
    EXPECT_EQ(editor.windows->fmLibrary->Model().Total(), 1);
    EXPECT_TRUE(fs::exists(file.string() + ".damaged"));
    EXPECT_TRUE(Errors().empty());
    // The restored library differs from no backup: none of today is made.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// A page damaged, not the header: what can still be read is offered beside the backup.
TEST_F(LibraryShell, ADamagedLibraryOffersWhatCouldStillBeReadBesideTheBackup) {
    const fs::path file = editor.dir / "kits.sqlite3";
    const fs::path folder = editor.dir / "kits-backups";
    fs::create_directories(folder);
    {
        simulator::Td7Module module;
        module.LoadRandom(4);
        library::TLibrary lib(file);
        lib.Add(library::TKind::Kit, module.PatchDataSets(0), "gig.td7", 1);
        lib.Backup(folder / "kits-2020-01-02.sqlite3");
        for (int p = 1; p < 32; ++p)
            lib.Add(library::TKind::Kit, module.PatchDataSets(p), "later.td7", p + 1);
    }
    {
        std::fstream damage(file, std::ios::in | std::ios::out | std::ios::binary);
        damage.seekp(5 * 4096);
        damage.write(std::string(4096, 'x').data(), 4096);
    }
    Start("[Library]\nLibraryFile=" + file.string() + "\n");
    editor.boxes.SetNextAnswer(editor::TAnswer::No);
    Run(TCommand::Library);
    ASSERT_FALSE(editor.boxes.Shown().empty());
    const QString question = editor.boxes.Shown().front().Text;
    EXPECT_TRUE(question.contains("(1 kit, 0 instrument sets, 0 system blocks, 0 lists)"))
        << question.toStdString();
    EXPECT_TRUE(question.contains("No uses what could still be read from the damaged library, " +
                                  QString::fromStdString(file.string()) + ".rescued ("))
        << question.toStdString();
    ASSERT_NE(editor.windows->fmLibrary, nullptr);
    EXPECT_GT(editor.windows->fmLibrary->Model().Total(), 20) << "more than the backup holds";
    EXPECT_TRUE(Errors().empty());
}

// The help beside the program, not a file in the folder the file dialogs last showed.
TEST_F(LibraryShell, F1InTheLibraryAndProgressWindowsReadsTheHelpBesideTheProgram) {
    const fs::path elsewhere = editor.dir / "kits";
    fs::create_directories(elsewhere);
    std::ofstream(elsewhere / td7::kHelpFileName) << "<p>elsewhere</p>";
    std::ofstream(editor.dir / td7::kHelpFileName) << "<p>beside</p>";
    Start("LastDir=" + elsewhere.string() + "\n");
    Run(TCommand::Library);
    for (QWidget* window : std::initializer_list<QWidget*>{editor.windows->fmLibrary.get(),
                                                           editor.windows->fmProgress.get()}) {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_F1);
        const auto* text = window->findChild<QTextBrowser*>(QStringLiteral("HelpText"));
        ASSERT_NE(text, nullptr) << window->objectName().toStdString();
        EXPECT_EQ(text->toPlainText().toStdString(), "beside") << window->objectName().toStdString();
    }
}

// 1280x1024 at twice the scale leaves 640x512: the window can be made that small, its body
// scrolling, so that none of its buttons is off the screen.
TEST_F(LibraryShell, TheWindowFitsAScreenAtTwiceTheScale) {
    Start();
    Run(TCommand::Library);
    const QSize least = editor.windows->fmLibrary->minimumSizeHint();
    EXPECT_LE(least.width(), 640);
    EXPECT_LE(least.height(), 512);
}

TEST_F(LibraryShell, TheWindowPutsAKitIntoASlotByButtonOrByDragAndSendsNothing) {
    Start();
    editor.wait->module.LoadFactory();
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Run(TCommand::RequestAll);
    const std::size_t sent = editor.midi.SentTo(0).size();
    editor.wait->module.LoadRandom(99);  // the module now holds other kits
    Run(TCommand::Library);
    editor::TfmLibrary& window = *editor.windows->fmLibrary;
    ASSERT_TRUE(window.isVisible());
    ASSERT_EQ(window.Model().Total(), 32);

    // The kit of slot 6, found by its name as typed.
    const std::string name = td7::PatchName(editor.Main().Dumps().ProgDump.Records(5));
    window.SearchField()->setText(QString::fromStdString(name));
    QTRY_VERIFY(window.Model().Total() < 32);
    int row = 0;
    while (row < window.Model().rowCount() && window.Model().ItemAt(row)->Name != name) ++row;
    ASSERT_LT(row, window.Model().rowCount());
    window.Table()->selectRow(row);
    const auto id = window.SelectedIds().front();

    auto commonData = [&](int p) {
        const auto& record = editor.Main().Dumps().ProgDump.Records(p);
        return std::vector<std::uint8_t>(record.Data() + 9, record.Data() + record.Size() - 2);
    };
    const auto kitData = commonData(5);
    editor.Main().SetCurrentPatch(9);
    window.PutSelected(9);
    EXPECT_EQ(commonData(9), kitData);
    EXPECT_TRUE(editor.Main().PatchEditing());

    // Dropped on line 21 of the patch list.
    QListWidget* list = editor.windows->PatchEditor->lbPatch();
    auto* mime = new QMimeData;
    mime->setData(editor::kLibraryItemsMime, QByteArray::number(static_cast<qlonglong>(id)));
    list->scrollToItem(list->item(20));
    const QPoint at = list->visualItemRect(list->item(20)).center();
    QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    // Qt hands drop events only to a drag in progress; the window's filter sees it as Qt would.
    static_cast<QObject&>(window).eventFilter(list->viewport(), &drop);
    delete mime;
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(editor.Main().Present().PatchPresent(20));
    EXPECT_EQ(commonData(20), kitData);
    EXPECT_EQ(editor.midi.SentTo(0).size(), sent) << "nothing goes to the module on its own";

    // Ctrl+D marks it a favourite.
    QTest::keyClick(window.Table(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(editor.windows->Library->Get()->Item(id)->Favourite);
    EXPECT_EQ(window.SelectedIds(), std::vector<library::ItemId>{id}) << "still selected";
}

TEST_F(LibraryShell, TagsAndNoteGoToEverySelectedItemAndDeleteNamesTheListsFirst) {
    editor::TfmLibrary& window = OpenAfterRequestAll();
    library::TLibrary& lib = Lib();
    const auto kits = lib.Find({.Kind = library::TKind::Kit});
    ASSERT_GE(kits.size(), 4u);
    lib.CreateList("Sunday", std::vector<library::ItemId>{kits[0].Id, kits[1].Id, kits[2].Id});
    lib.CreateList("Gig", std::vector<library::ItemId>{kits[1].Id});
    window.RefreshLists();
    window.Model().Refresh();
    const std::vector<library::ItemId> chosen = {kits[1].Id, kits[3].Id};
    for (int row = 0; row < window.Model().rowCount(); ++row)
        if (std::find(chosen.begin(), chosen.end(), window.Model().ItemAt(row)->Id) != chosen.end())
            window.Table()->selectionModel()->select(
                window.Model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(window.SelectedIds().size(), 2u);

    window.SetTagsAndNote("rock", "loud");
    for (auto id : chosen) {
        EXPECT_EQ(lib.Item(id)->Tags, "rock");
        EXPECT_EQ(lib.Item(id)->Note, "loud");
    }
    EXPECT_EQ(lib.Count({.Search = "rock"}), 2);

    // Declined: the box named both lists of the first kit; nothing changed.
    editor.boxes.SetNextAnswer(editor::TAnswer::No);
    window.DeleteSelected();
    ASSERT_FALSE(editor.boxes.Shown().empty());
    const QString question = editor.boxes.Shown().back().Text;
    EXPECT_TRUE(question.endsWith(
        "In the lists \"Gig\", \"Sunday\" the place of a deleted kit stays empty; the other "
        "kits keep their slots."))
        << question.toStdString();
    EXPECT_EQ(lib.Count({}), 32);
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    window.DeleteSelected();
    EXPECT_EQ(lib.Count({}), 30);
    const auto sunday = lib.ListKits(lib.FindList("Sunday")->Id);
    ASSERT_EQ(sunday.size(), 3u);
    EXPECT_FALSE(sunday[1].has_value());
    EXPECT_EQ(sunday[2]->Id, kits[2].Id);
}

TEST_F(LibraryShell, LoadIntoSlotsAsksNamingTheSlotsAndIsOneStep) {
    editor::TfmLibrary& window = OpenAfterRequestAll();
    library::TLibrary& lib = Lib();
    const auto kits = lib.Find({.Kind = library::TKind::Kit}, 3);
    ASSERT_EQ(kits.size(), 3u);
    const std::vector<library::ItemId> ids = {kits[2].Id, kits[0].Id, kits[1].Id};
    lib.CreateList("Gig", ids);
    window.RefreshLists();
    // The data bytes of the common records of slots 1..4.
    using Data = std::vector<std::uint8_t>;
    const auto common = [](const std::uint8_t* record) {
        return Data(record + td7::kHeaderSize, record + td7::InfoOf(td7::Block::Prog).Size - 2);
    };
    auto held = [&] {
        std::vector<Data> data;
        for (int p = 0; p < 4; ++p) data.push_back(common(editor.Main().Dumps().ProgDump.Records(p).Data()));
        return data;
    };
    const auto before = held();
    const int steps = editor.Main().History().Count();

    editor.boxes.SetNextAnswer(editor::TAnswer::No);
    window.LoadListIntoSlots();
    ASSERT_FALSE(editor.boxes.Shown().empty());
    EXPECT_EQ(editor.boxes.Shown().back().Text,
              "Load the list \"Gig\" into slots 1 to 3? What they hold now is replaced "
              "(Edit > Undo takes it back).");
    EXPECT_EQ(held(), before);

    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    window.LoadListIntoSlots();
    std::vector<Data> loaded;
    for (auto id : ids) loaded.push_back(common(lib.ItemBytes(id).data()));
    loaded.push_back(before[3]);
    EXPECT_EQ(held(), loaded);
    EXPECT_EQ(editor.Main().History().Count(), steps + 1);
    EXPECT_EQ(editor.Main().History().UndoText(), "Load into Slots");
    editor.Main().Menu().Action(TCommand::Undo)->trigger();
    EXPECT_EQ(held(), before);
    EXPECT_TRUE(Errors().empty());

    // Another program puts a kit at position 7: the window shows it within a second, ...
    library::TLibrary other(lib.File());
    const auto gig = other.FindList("Gig")->Id;
    other.PutInList(gig, 6, kits[0].Id);
    QTRY_VERIFY(!window.ListPositions()->item(6)->text().contains(QStringLiteral("(empty)")));
    // ... and a load asked for before it looked again loads nothing the window did not show.
    other.ClearPosition(gig, 6);
    EXPECT_THROW(window.LoadListIntoSlots(), library::LibraryError);
    EXPECT_TRUE(window.ListPositions()->item(6)->text().contains(QStringLiteral("(empty)")));
    EXPECT_EQ(held(), before);
}

TEST_F(LibraryShell, ListPositionsAreEditedByDropAndMenuAndEveryEditIsUndoneInTheWindow) {
    editor::TfmLibrary& window = OpenAfterRequestAll();
    library::TLibrary& lib = Lib();
    // The kits by the module's slot they came from.
    std::map<int, library::ItemId> ofSlot;
    for (const auto& item : lib.Find({.Kind = library::TKind::Kit}))
        ofSlot[lib.Sources(item.Id).front().Slot - 1] = item.Id;
    const auto select = [&](library::ItemId id) {
        window.Table()->clearSelection();
        for (int row = 0; row < window.Model().rowCount(); ++row)
            if (window.Model().ItemAt(row)->Id == id)
                window.Table()->selectionModel()->select(
                    window.Model().index(row, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ASSERT_EQ(window.SelectedIds(), std::vector<library::ItemId>{id});
    };
    select(ofSlot[0]);
    window.MakeList("Friday");
    const auto list = lib.FindList("Friday")->Id;
    ASSERT_EQ(window.ListPositions()->count(), 32);

    // Slot 7's kit dropped on position 7.
    QListWidget* positions = window.ListPositions();
    auto* mime = new QMimeData;
    mime->setData(editor::kLibraryItemsMime, QByteArray::number(static_cast<qlonglong>(ofSlot[6])));
    positions->scrollToItem(positions->item(6));
    QDropEvent drop(positions->visualItemRect(positions->item(6)).center(), Qt::CopyAction, mime,
                    Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject&>(window).eventFilter(positions->viewport(), &drop);
    delete mime;
    EXPECT_EQ(lib.ListPositions(list)[6], ofSlot[6]);
    EXPECT_TRUE(positions->item(6)->text().endsWith(
        QString::fromStdString(lib.Item(ofSlot[6])->Name)));
    EXPECT_TRUE(window.CompareListWithModule().empty());
    EXPECT_EQ(editor.boxes.Shown().back().Text,
              "The module's patches match the list \"Friday\" at every position that holds a kit.");

    window.SwapListPositions(0, 6);
    EXPECT_EQ(window.CompareListWithModule(), (std::vector<int>{0, 6}));
    EXPECT_EQ(editor.boxes.Shown().back().Text,
              "The module's patches differ from the list \"Friday\" at positions 1, 7.");
    window.RenameList("Gig");
    window.DuplicateList("Gig copy");
    EXPECT_EQ(lib.ListPositions(lib.FindList("Gig copy")->Id), lib.ListPositions(list));

    // The window's own undo and redo.
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // From the table: the search field keeps Ctrl+Z for its own text.
    window.Table()->setFocus();

    QTest::keyClick(window.Table(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(lib.FindList("Gig copy"));
    QTest::keyClick(window.Table(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(window.Table(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lib.List(list)->Name, "Friday");
    EXPECT_EQ(lib.ListPositions(list)[0], ofSlot[0]);
    QTest::keyClick(window.Table(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(lib.ListPositions(list)[0], ofSlot[6]);

    // Deleted, found in the Deleted view, undone back to its position.
    select(ofSlot[6]);
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    window.DeleteSelected();
    EXPECT_TRUE(positions->item(0)->text().endsWith("(empty)"));
    window.ShowDeleted(true);
    EXPECT_EQ(window.Model().Total(), 1);
    window.Undo();
    EXPECT_EQ(window.Model().Total(), 0);
    window.ShowDeleted(false);
    EXPECT_EQ(lib.ListKits(list)[0]->Id, ofSlot[6]);
    // A deleted list waits in the Deleted view too, and comes back from there.
    window.Table()->clearSelection();
    window.Edits().DeleteList(list);
    window.ShowDeleted(true);
    // With the copy whose making was undone.
    QListWidget* lists = window.findChild<QListWidget*>(QStringLiteral("lbLists"));
    ASSERT_EQ(lists->count(), 2);
    lists->setCurrentRow(lists->item(0)->text() == "Friday" ? 0 : 1);
    window.RestoreSelected();
    window.ShowDeleted(false);
    EXPECT_TRUE(lib.List(list)->Deleted.empty());

    // Another editor on the same library removes the kit for good: the undo says so.
    select(ofSlot[3]);
    window.ToggleFavourite();
    {
        library::TLibrary other(lib.File());
        const library::ItemId kit[] = {ofSlot[3]};
        other.Delete(kit);
        other.EmptyDeleted();
    }
    EXPECT_TRUE(Errors().empty());
    QTest::keyClick(window.Table(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_FALSE(Errors().empty());
    EXPECT_EQ(Errors().back(),
              "Cannot undo Mark as favourite: the kit was removed from the library meanwhile (by "
              "another program or window)");
}

TEST_F(LibraryShell, TwoVersionsAreComparedIntoTheCurrentPatchOrAfterTheFirstIsLoadedAsOneStep) {
    editor::TfmLibrary& window = OpenAfterRequestAll();
    library::TLibrary& lib = Lib();
    editor.Main().SetCurrentPatch(0);
    const auto slot1 = [&] {
        return library::Normalise(library::TKind::Kit, td7::PatchFileImage(editor.Main().Dumps(), 0));
    };
    const library::Bytes before = slot1();
    // Two other states of slot 1's kit: another effect 1 type each.
    for (int step : {1, 2}) {
        library::Bytes kit = before;
        kit[23] = static_cast<std::uint8_t>((kit[23] + step) % 4);
        lib.Add(library::TKind::Kit, kit, "TD-7 (device ID 17) 2026-12-08", 1);
    }
    window.Model().Refresh();
    for (int row = 0; row < window.Model().rowCount(); ++row)
        if (lib.ItemBytes(window.Model().ItemAt(row)->Id) == before) window.Table()->selectRow(row);
    const auto versions = window.SelectedVersions();
    ASSERT_EQ(versions.size(), 3u);
    ASSERT_EQ(lib.ItemBytes(versions[0].Item.Id), before) << "the kit itself comes first";
    const int steps = editor.Main().History().Count();
    editor.boxes.ClearShown();
    const auto compared = [&] { return editor.windows->Compare->Window()->Rows().size(); };

    // One of the two is the current patch: it takes the values, nothing is asked or loaded.
    window.CompareVersions(versions[1], versions[0]);
    EXPECT_TRUE(editor.boxes.Shown().empty());
    ASSERT_NE(editor.windows->Compare->Window(), nullptr);
    EXPECT_EQ(compared(), 1u);
    EXPECT_EQ(slot1(), before);

    // Neither is: declined, nothing changes; agreed, the first is loaded as one step.
    editor.boxes.SetNextAnswer(editor::TAnswer::No);
    window.CompareVersions(versions[1], versions[2]);
    ASSERT_EQ(editor.boxes.Shown().size(), 1u);
    EXPECT_EQ(editor.boxes.Shown().back().Text.toStdString(),
              "Load the kit of " + versions[1].Seen + " into slot 1 to compare it with the kit of " +
                  versions[2].Seen + "? What the slot holds now is replaced (Edit > Undo takes it back).");
    EXPECT_EQ(slot1(), before);
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    window.CompareVersions(versions[1], versions[2]);
    EXPECT_EQ(slot1(), lib.ItemBytes(versions[1].Item.Id));
    EXPECT_EQ(editor.Main().History().Count(), steps + 1);
    ASSERT_EQ(compared(), 1u);
    editor.windows->Compare->Window()->Take(0);
    EXPECT_EQ(slot1(), lib.ItemBytes(versions[2].Item.Id));
    Run(TCommand::Undo);
    Run(TCommand::Undo);
    EXPECT_EQ(slot1(), before);
    EXPECT_TRUE(Errors().empty());

    // From the Versions window: the comparison opens and Versions closes, which would
    // otherwise keep the compare window from being used (closed after 3 s if it stays).
    QObject timers;  // their timers end with the test
    QTimer::singleShot(0, &timers, [] {
        if (QWidget* versionsWindow = QApplication::activeModalWidget())
            versionsWindow->findChild<QPushButton*>(QStringLiteral("btCompareCurrent"))->click();
    });
    bool stayed = false;
    QTimer::singleShot(3000, &timers, [&stayed] {
        if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            stayed = true;
            open->reject();
        }
    });
    for (auto* button : window.findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Versions...")) button->click();
    EXPECT_FALSE(stayed);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(editor.windows->Compare->Window()->isVisible());
}

TEST_F(LibraryShell, TheSearchOffersTagsAfterTagColonAndCtrlYRedoesAsInTheEditMenu) {
    editor::TfmLibrary& window = OpenAfterRequestAll();
    library::TLibrary& lib = Lib();
    const auto kits = lib.Find({.Kind = library::TKind::Kit}, 2);
    lib.SetTagsAndNote(std::vector<library::ItemId>{kits[0].Id}, "rock jazz", "");
    lib.SetTagsAndNote(std::vector<library::ItemId>{kits[1].Id}, "Roll", "");
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QLineEdit* field = window.SearchField();
    QCompleter* completer = window.SearchTags()->Completer();

    // Typed in the middle of a search: only that word is completed.
    field->setFocus();
    field->setText(QStringLiteral("funk  soft"));
    field->setCursorPosition(5);
    QTest::keyClicks(field, "-TAG:ro");
    EXPECT_EQ(completer->completionCount(), 2) << "rock and Roll";
    EXPECT_TRUE(completer->popup()->isVisible());
    emit completer->activated(QStringLiteral("rock"));
    EXPECT_EQ(field->text(), "funk -TAG:rock soft");
    EXPECT_EQ(field->cursorPosition(), 14);
    QTest::keyClicks(field, " ja");
    EXPECT_FALSE(completer->popup()->isVisible()) << "a word that is no tag: is left alone";

    // A search the library cannot read, being typed, is told below the table, in no box, and
    // the table keeps its rows.
    field->clear();
    QTRY_COMPARE(window.Model().Total(), 32);
    const std::size_t boxes = editor.boxes.Shown().size();
    QTest::keyClicks(field, "kind:drums");
    QTRY_VERIFY(window.Detail()->text().startsWith(QStringLiteral("There is no kind \"drums\"")));
    EXPECT_EQ(editor.boxes.Shown().size(), boxes);
    EXPECT_EQ(window.Model().rowCount(), 32);
    field->clear();

    // Ctrl+Y redoes what Ctrl+Z took back.
    window.Table()->selectRow(0);
    const auto id = window.SelectedIds().front();
    window.ToggleFavourite();
    window.Table()->setFocus();
    QTest::keyClick(window.Table(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(lib.Item(id)->Favourite);
    QTest::keyClick(window.Table(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(lib.Item(id)->Favourite);
}

TEST_F(LibraryShell, RestoreLibraryAsksNamingTheBackupThenShowsItsContentWithNoUndoLeft) {
    editor::TfmLibrary& window = OpenAfterRequestAll();
    const fs::path backup = editor.dir / "before.sqlite3";
    window.BackUp(backup);
    window.Table()->selectRow(0);
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    window.DeleteSelected();
    ASSERT_EQ(window.Model().Total(), 31);

    editor.boxes.SetNextAnswer(editor::TAnswer::No);
    window.RestoreLibrary(backup);
    EXPECT_EQ(editor.boxes.Shown().back().Text.toStdString(),
              "Restore the library from the backup " + backup.string() +
                  "? Everything the library holds now is replaced by the backup's items and "
                  "lists, and the window's Undo cannot take it back.");
    EXPECT_EQ(Lib().Count({}), 31);
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    window.RestoreLibrary(backup);
    EXPECT_EQ(Lib().Count({}), 32);
    EXPECT_EQ(window.Model().Total(), 32);
    EXPECT_FALSE(window.Edits().CanUndo()) << "the delete belonged to the library replaced";
    EXPECT_FALSE(window.findChild<QPushButton*>(QStringLiteral("btUndo"))->isEnabled());
}

TEST_F(LibraryShell, TheWindowWithAllItsButtonsFitsALaptopScreen) {
    editor::TfmLibrary& window = OpenAfterRequestAll();
    window.show();
    EXPECT_LE(window.width(), 1366);
    EXPECT_LE(window.minimumSizeHint().width(), 1366);
}

TEST_F(LibraryShell, ListPositionsLineUpTheirNames) {
    editor::TfmLibrary& window = OpenAfterRequestAll();
    window.Table()->selectRow(0);
    window.MakeList("Friday");
    QListWidget* positions = window.ListPositions();
    const QFontMetrics metrics(positions->font());
    const auto nameStart = [&](int row) {
        const QString text = positions->item(row)->text();
        return metrics.horizontalAdvance(text.left(text.indexOf(QStringLiteral("  ")) + 2));
    };
    EXPECT_EQ(nameStart(0), nameStart(9));
    EXPECT_EQ(nameStart(8), nameStart(31));
}

TEST_F(LibraryShell, F1InTheVersionsDialogShowsTheHelpOnVersions) {
    editor::TfmLibrary& window = OpenAfterRequestAll();
    window.Table()->selectRow(0);
    QString anchor;
    QTimer::singleShot(0, [&] {
        auto* dialog = window.findChild<QDialog*>();
        ASSERT_NE(dialog, nullptr);
        QApplication::setActiveWindow(dialog);
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        QTest::keyClick(dialog, Qt::Key_F1);
        if (auto* help = dialog->findChild<editor::THelpWindow*>())
            if (help->isVisible()) anchor = help->CurrentAnchor();
        dialog->accept();
    });
    for (auto* button : window.findChildren<QPushButton*>())
        if (button->text() == "Versions...") button->click();
    EXPECT_EQ(anchor, "versions");
}

}  // namespace
