#include <signal.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/Dispatcher.h"
#include "library/Backup.h"
#include "td7/files/SetupFile.h"
#include "tests/library/LibraryFixture.h"
#include "tests/support/ChildProcess.h"

namespace librarytest {

namespace {

using namespace std::chrono_literals;
using library::ItemId;
using library::TKind;

// `count` distinct kits from one source: a counter in a note-map entry keeps them apart.
void AddKits(library::TLibrary& lib, int from, int count, const std::string& origin) {
    Td7Module module;
    module.LoadFactory();
    const Bytes base = module.PatchDataSets(0);
    std::vector<library::TLibrary::TPiece> pieces;
    for (int k = from; k < from + count; ++k) {
        Bytes kit = base;
        const std::size_t entry = 58 + 18 * 22 + 19 * 10;
        kit[entry + 9] = static_cast<std::uint8_t>(k & 0x7F);
        kit[entry + 10] = static_cast<std::uint8_t>((k >> 7) & 0x7F);
        pieces.push_back({TKind::Kit, k % 32 + 1, std::move(kit)});
    }
    lib.AddAll(pieces, origin);
}

// Read as another program would, without touching the file (a library opened as one
// switches its journal).
int KitsIn(const fs::path& file) {
    return std::stoi(TOtherProgram(file).Text("SELECT count(*) FROM items"));
}

std::string RestoreError(library::TLibrary& lib, const fs::path& backup) {
    try {
        lib.RestoreFrom(backup);
    } catch (const library::LibraryError& error) {
        return error.what();
    }
    return "restored";
}

struct TCli {
    int Code;
    std::string Out;
    std::string Err;
};

TCli Cli(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = cli::Run(args, out, err);
    return {code, out.str(), err.str()};
}

}  // namespace

TEST_F(LibraryTest, ABackupIsOneMomentOfTheLibraryAndAKilledOneLeavesTheOldBackupWhole) {
    {
        library::TLibrary lib(file(), Options());
        for (int batch = 0; batch < 10; ++batch)
            AddKits(lib, batch * 300, 300, "batch" + std::to_string(batch));
    }
    // Another program (the command line) imports 200 files of three kits each while
    // backups are made: each backup holds whole files.
    for (int f = 0; f < 200; ++f) {
        Td7Module module;
        module.LoadRandom(static_cast<std::uint32_t>(5000 + f));
        Write("incoming/" + std::to_string(1000 + f) + ".td7", Setup(module, {0, 1, 2}));
    }
    library::TLibrary lib(file(), Options());
    const int before = lib.Count({});
    {
        testsupport::TChildProcess child(TAMBORO_CLI_PATH, {"library", "--file", file().string(),
                                                            "import", (dir / "incoming").string()});
        int during = 0;
        for (int k = 0; k < 20 && child.ExitStatus(0ms) < 0; ++k) {
            const fs::path backup = dir / ("during" + std::to_string(k) + ".sqlite3");
            lib.Backup(backup);
            EXPECT_EQ(library::CheckFile(backup), "ok");
            const int kits = KitsIn(backup) - before;
            EXPECT_EQ(kits % 3, 0) << kits;
            if (kits > 0 && kits < 600) ++during;
        }
        EXPECT_EQ(child.ExitStatus(), 0);
        EXPECT_GE(during, 1) << "no backup was made while the import ran";
    }
    EXPECT_EQ(lib.Count({}), before + 600);

    // The command line killed at any moment of its backup: the backup file is the old one
    // or the new one, whole.
    const fs::path backup = dir / "keep.sqlite3";
    lib.Backup(backup);
    const Bytes old = Read(backup);
    const int now = lib.Count({});
    AddKits(lib, 50000, 10, "late");
    int killedMidway = 0;
    for (int attempt = 0; attempt < 30 && killedMidway < 2; ++attempt) {
        testsupport::TChildProcess child(
            TAMBORO_CLI_PATH, {"library", "--file", file().string(), "backup", backup.string()});
        // Killed once its copy is under way, or at once on some attempts.
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        bool copying = false;
        while (attempt % 3 != 0 && !copying && std::chrono::steady_clock::now() < deadline) {
            for (const auto& entry : fs::directory_iterator(dir))
                copying = copying || entry.path().string().find("keep.sqlite3.part-") !=
                                         std::string::npos;
        }
        child.Signal(SIGKILL);
        const int status = child.ExitStatus();
        EXPECT_TRUE(status == 0 || status == 128 + SIGKILL) << status;
        EXPECT_EQ(library::CheckFile(backup), "ok");
        const int kits = KitsIn(backup);
        if (status == 128 + SIGKILL && Read(backup) == old) ++killedMidway;
        EXPECT_TRUE(kits == now || kits == now + 10) << kits;
        if (kits == now) {
            EXPECT_EQ(Read(backup), old);
        }
        if (kits != now) break;
    }
    EXPECT_GE(killedMidway, 1);
}

TEST_F(LibraryTest, ARestoreReplacesTheLibraryUnderAnOpenOneAndRefusesWhatIsNoSoundLibrary) {
    library::TLibrary open(file(), Options());
    AddKits(open, 0, 50, "first");
    const ItemId list = open.CreateList("Friday", std::vector<ItemId>{open.FindIds({}).front()});
    const fs::path backup = dir / "backup.sqlite3";
    open.Backup(backup);
    AddKits(open, 100, 25, "second");
    open.DeleteList(list);

    const Bytes garbage(10000, 0x33);
    const fs::path bad = Write("bad.sqlite3", garbage);
    EXPECT_EQ(RestoreError(open, bad),
              "The backup " + bad.string() +
                  " was not restored: it is damaged (file is not a database)");
    EXPECT_EQ(RestoreError(open, dir / "none.sqlite3"),
              "The backup " + (dir / "none.sqlite3").string() + " was not restored: no such file");
    EXPECT_EQ(open.Count({}), 75);

    // Restored by another program while this one has the library open: this one reads the
    // restored library at its next look, and goes on writing to it.
    library::TLibrary other(file(), Options());
    EXPECT_EQ(RestoreError(other, backup), "restored");
    EXPECT_EQ(open.Count({}), 50);
    EXPECT_EQ(open.FindList("Friday")->Kits, 1);
    AddKits(open, 200, 5, "third");
    EXPECT_EQ(other.Count({}), 55);
    EXPECT_EQ(open.IntegrityCheck(), "ok");
    EXPECT_EQ(Read(backup).size(), fs::file_size(backup));
}

TEST_F(LibraryTest, TheAutomaticBackupIsDailyWhenTheLibraryChangedKeepsSevenAndRescuesADamagedOne) {
    int day = 1;
    auto options = Options();
    options.Now = [&day] {
        return std::chrono::system_clock::time_point(std::chrono::hours(24 * (20000 + day)));
    };
    const fs::path settings = dir / "tamboro.ini";
    std::ofstream(settings) << "[Library]\nBackupsKept=7\n";
    const auto backups = library::AutoBackupSettings(settings);
    {
        library::TLibrary lib(file(), options);
        AddKits(lib, 0, 20, "first");
        for (; day <= 9; ++day) {
            const auto ids = lib.FindIds({});
            lib.SetFavourite(ids[static_cast<std::size_t>(day)], true);
            EXPECT_TRUE(library::AutoBackup(lib, backups));
            EXPECT_FALSE(library::AutoBackup(lib, backups));  // unchanged since
        }
        EXPECT_FALSE(library::AutoBackup(lib, backups));  // day 10: nothing changed
    }
    {
        // Opened empty in the morning, filled during the day, closed: today's backup holds
        // what the day brought.
        library::TLibrary lib(dir / "day.sqlite3", options);
        EXPECT_FALSE(library::AutoBackup(lib, backups)) << "a new library holds nothing to keep";
        AddKits(lib, 100, 3, "morning");
        EXPECT_TRUE(library::AutoBackup(lib, backups));
        AddKits(lib, 200, 2, "evening");
        EXPECT_TRUE(library::AutoBackup(lib, backups));
        const auto days = library::AutoBackups(dir / "day.sqlite3", backups);
        ASSERT_EQ(days.size(), 1u);
        EXPECT_EQ(KitsIn(days.front()), 5);
    }
    const auto kept = library::AutoBackups(file(), backups);
    ASSERT_EQ(kept.size(), 7u);
    EXPECT_EQ(kept.front().filename(), "library-2024-10-13.sqlite3");
    EXPECT_EQ(kept.back().parent_path(), dir / "library-backups");

    std::ofstream(settings) << "[Library]\nAutoBackup=off\nBackupsKept=2\nBackupFolder=old\n";
    const auto off = library::AutoBackupSettings(settings);
    EXPECT_FALSE(off.Enabled);
    EXPECT_EQ(off.Kept, 2);
    EXPECT_EQ(library::BackupFolder(file(), off), dir / "old");

    // The newest backup damaged, then the library: the newest good one is offered and
    // restored, the damaged library kept beside.
    {
        std::fstream damage(kept.front(), std::ios::in | std::ios::out | std::ios::binary);
        damage.seekp(0);
        damage.write("garbage garbage garbage", 23);
    }
    {
        std::fstream damage(file(), std::ios::in | std::ios::out | std::ios::binary);
        damage.seekp(0);
        damage.write("garbage garbage garbage", 23);
    }
    const auto good = library::NewestGoodBackup(file(), backups);
    ASSERT_TRUE(good);
    EXPECT_EQ(*good, kept[1]);
    const TCli refused = Cli({"library", "--file", file().string(), "info"});
    EXPECT_EQ(refused.Code, 1);
    EXPECT_NE(refused.Err.find("The newest good backup is " + good->string()), std::string::npos)
        << refused.Err;
    const TCli restored = Cli({"library", "--file", file().string(), "restore", good->string()});
    EXPECT_EQ(restored.Code, 0) << restored.Err;
    EXPECT_TRUE(fs::exists(file().string() + ".damaged"));
    library::TLibrary lib(file(), Options());
    EXPECT_EQ(lib.Count({.FavouritesOnly = true}), 8);
}

TEST_F(LibraryTest, ExportWritesAFileForEachKitAndACutShortSetupGivesUpItsWholePatches) {
    Td7Module module;
    module.LoadRandom(31);
    library::TLibrary lib(file(), Options());
    Bytes cut = Setup(module, testsupport::AllSlots());
    // Cut in the middle of patch 19.
    cut.resize(td7::kSetupSignature.size() + 18 * (1 + 1575) + 700);
    const std::vector<fs::path> paths = {Write("kits3.td7", cut)};
    const auto report = lib.Import(paths);
    EXPECT_EQ(report.Problems,
              (std::vector<std::string>{"18 of 32 kits rescued from kits3.td7 (cut short)"}));
    EXPECT_EQ(lib.Count({}), 18);
    // Two kits of one name from one source, and names no file system takes.
    Td7Module other;
    CopyPatch(module, 0, other, 0);
    other.Data(Td7Module::TriggerBlock(0, 0))[3] = 5;
    lib.Add(TKind::Kit, Kit(other, 0), (dir / "kits3.td7").string(), 7);
    const auto ids = lib.FindIds({});
    lib.Add(TKind::System, module.DataSetOf(Td7Module::SystemBlock()), "a/b:c.syx", 0,
            "sys/../x");

    const auto written = lib.ExportItems(lib.FindIds({}), dir / "out");
    EXPECT_EQ(written.Written, 20);
    std::set<std::string> names;
    for (const auto& f : written.Files) {
        names.insert(f.filename().string());
        EXPECT_EQ(f.parent_path(), dir / "out");
    }
    EXPECT_EQ(names.size(), 20u);
    // Named after the kit and the file it came from; what no file system takes is "_".
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& name) {
                                return name.find(" - kits3") != std::string::npos &&
                                       name.find_first_of("/?") == std::string::npos;
                            }),
              19);
    EXPECT_EQ(names.count("sys_.._x - b_c.syx"), 1u);
    // Exported again beside them: new names, nothing overwritten; read back: all known.
    EXPECT_EQ(lib.ExportItems(ids, dir / "out").Written, 19);
    const std::vector<fs::path> back = {dir / "out"};
    const auto again = lib.Import(back);
    EXPECT_EQ(again.Added, 0);
    EXPECT_EQ(again.Known, 39);
}

TEST_F(LibraryTest, TheCommandLineTagsMarksDeletesEditsListsBacksUpAndExports) {
    {
        library::TLibrary lib(file(), Options());
        AddKits(lib, 0, 5, "gig.td7");
    }
    const std::string at = "--file=" + file().string();
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"library", at});
        return Cli(args);
    };
    EXPECT_EQ(run({"tag", "1", "funk", "Live,dry"}).Out, "1\tfunk, Live, dry\n");
    EXPECT_EQ(run({"untag", "1", "live"}).Out, "1\tfunk, dry\n");
    EXPECT_EQ(run({"fav", "2"}).Code, 0);
    EXPECT_EQ(run({"list", "--search", "tag:funk"}).Out.substr(0, 2), "1\t");
    EXPECT_EQ(run({"list", "--favourites"}).Out.substr(0, 2), "2\t");
    EXPECT_EQ(run({"unfav", "2"}).Code, 0);
    EXPECT_EQ(run({"list", "--favourites"}).Out, "");
    EXPECT_EQ(run({"list-new", "Friday"}).Code, 0);
    EXPECT_EQ(run({"list-put", "Friday", "3", "4"}).Code, 0);
    EXPECT_EQ(run({"list-put", "Friday", "32", "5"}).Code, 0);
    EXPECT_EQ(run({"list-clear", "Friday", "32"}).Code, 0);
    const std::string shown = run({"list-show", "Friday"}).Out;
    EXPECT_EQ(shown.substr(0, 12), "1\t-\n2\t-\n3\t4\t");
    EXPECT_NE(shown.find("\n32\t-\n"), std::string::npos);
    EXPECT_EQ(run({"lists"}).Out, "Friday\t1 kit\n");
    const TCli deleted = run({"delete", "4", "3"});
    EXPECT_EQ(deleted.Err, "Moved 2 items to the Deleted view\n");
    EXPECT_EQ(run({"lists"}).Out, "Friday\t0 kits\n");
    EXPECT_EQ(run({"delete", "4"}).Err, "tamboro-cli: No item 4 in the library\n");

    EXPECT_EQ(run({"export", "--all", (dir / "all").string()}).Err,
              "Wrote 3 files to " + (dir / "all").string() + "\n");
    EXPECT_EQ(run({"export", "--search", "tag:dry", (dir / "dry").string()}).Code, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "dry"), fs::directory_iterator()), 1);

    // An export never writes over a file.
    const Bytes kept(10, 7);
    const fs::path there = Write("there.syx", kept);
    EXPECT_EQ(run({"export", "1", "-o", there.string()}).Err,
              "tamboro-cli: " + there.string() +
                  " exists already; library export writes only a new file (name another, or "
                  "remove it first)\n");
    EXPECT_EQ(Read(there), kept);

    // What a killed backup or restore left is removed by the next backup or open; what a
    // running one writes stays.
    const fs::path backup = dir / "saved.sqlite3";
    const std::string running = std::to_string(::getppid());
    for (const std::string& name : std::vector<std::string>{
             "saved.sqlite3.part-99999999", "saved.sqlite3.part-99999999-journal",
          "library.sqlite3.restore-99999999", "library.sqlite3.restore-99999999-wal",
          "library.sqlite3.restore-" + running})
        Write(name, kept);
    EXPECT_EQ(run({"backup", backup.string()}).Code, 0);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().string().find("-99999999") != std::string::npos ||
            entry.path().string().find("-" + running) != std::string::npos)
            left.insert(entry.path().filename().string());
    EXPECT_EQ(left, std::set<std::string>{"library.sqlite3.restore-" + running});
    EXPECT_EQ(run({"untag", "1"}).Out, "1\t\n");
    const TCli restored = run({"restore", backup.string()});
    EXPECT_EQ(restored.Err, "Restored " + file().string() + " from " + backup.string() + "\n");
    EXPECT_EQ(run({"list", "--search", "tag:funk"}).Out.substr(0, 2), "1\t");
    // Only an import makes a library: a mistyped name is refused.
    const fs::path typo = dir / "libary.sqlite3";
    EXPECT_EQ(Cli({"library", "--file", typo.string(), "restore", backup.string()}).Err,
              "tamboro-cli: The library could not be opened: " + typo.string() +
                  ": no such file (an import makes a new library)\n");
    EXPECT_FALSE(fs::exists(typo));

    for (const auto& wrong : std::vector<std::vector<std::string>>{
             {"tag", "1"}, {"list-put", "Friday", "33", "1"}, {"list-put", "Friday", "x", "1"},
             {"export", "--all", "--search", "x", "d"}, {"backup"}, {"fav", "one"}}) {
        const TCli r = run(wrong);
        EXPECT_EQ(r.Code, 2) << wrong.front();
    }
}

}  // namespace librarytest
