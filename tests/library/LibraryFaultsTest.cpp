#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "cli/Dispatcher.h"
#include "library/Backup.h"
#include "library/FileScan.h"
#include "library/LibraryPath.h"
#include "tests/library/LibraryFixture.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ReadOnlyFolder.h"

namespace librarytest {

namespace {

using namespace std::chrono_literals;

std::string OpenError(const fs::path& file, library::TLibrary::TOptions options) {
    try {
        library::TLibrary lib(file, options);
    } catch (const library::LibraryError& error) {
        return error.what();
    }
    return "opened";
}

}  // namespace

TEST_F(LibraryTest, ADamagedLockedOrNewerLibraryIsRefusedWithItsReason) {
    auto options = Options();
    options.BusyTimeout = 100ms;
    const std::string prefix = "The library could not be opened: ";

    Write("damaged.sqlite3", Bytes(8192, 0x5A));
    EXPECT_EQ(OpenError(dir / "damaged.sqlite3", options),
              prefix + (dir / "damaged.sqlite3").string() + ": file is not a database");

    { library::TLibrary lib(dir / "newer.sqlite3", options); }
    TOtherProgram(dir / "newer.sqlite3").Run("PRAGMA user_version = 7");
    EXPECT_EQ(OpenError(dir / "newer.sqlite3", options),
              prefix + (dir / "newer.sqlite3").string() +
                  ": made by a newer Tamboro (library version 7, this one reads up to " +
                  std::to_string(library::kSchemaVersion) + ")");

    // A program that holds the file locked for itself.
    { library::TLibrary lib(dir / "locked.sqlite3", options); }
    {
        TOtherProgram locker(dir / "locked.sqlite3");
        ASSERT_EQ(locker.Run("PRAGMA locking_mode = EXCLUSIVE;"
                             "BEGIN EXCLUSIVE; INSERT INTO lists(name) VALUES('x');"),
                  SQLITE_OK);
        EXPECT_EQ(OpenError(dir / "locked.sqlite3", options),
                  prefix + (dir / "locked.sqlite3").string() + ": database is locked");
        // The command line says the same and exits 1.
        std::ostringstream out, err;
        const std::vector<std::string> args = {"library", "--file",
                                               (dir / "locked.sqlite3").string(), "info"};
        EXPECT_EQ(cli::Run(args, out, err), 1);
        EXPECT_EQ(err.str().rfind("tamboro-cli: " + prefix, 0), 0u) << err.str();
    }
    // Once the other program lets go, the library opens and takes the file over.
    EXPECT_EQ(OpenError(dir / "locked.sqlite3", options), "opened");
}

// A new account: neither ~/.config nor ~/.config/tamboro exists yet.
TEST_F(LibraryTest, ANewLibraryMakesItsFoldersAndOnlyWhatWritesMakesOne) {
    const fs::path file = dir / "home" / ".config" / "tamboro" / "library.sqlite3";
    auto readOnly = Options();
    readOnly.Create = false;
    EXPECT_EQ(OpenError(file, readOnly), "The library could not be opened: " + file.string() +
                                             ": no such file (an import makes a new library)");
    EXPECT_FALSE(fs::exists(dir / "home")) << "nothing is made by what only reads";
    for (const char* command : {"list", "info"}) {
        std::ostringstream out, err;
        const std::vector<std::string> args = {"library", "--file", file.string(), command};
        EXPECT_EQ(cli::Run(args, out, err), 1) << command;
        EXPECT_EQ(out.str(), "") << command;
    }
    EXPECT_FALSE(fs::exists(dir / "home"));

    EXPECT_EQ(OpenError(file, Options()), "opened");
    EXPECT_EQ(TOtherProgram(file).Text("PRAGMA application_id"),
              std::to_string(library::kApplicationId) + "\n");
    EXPECT_EQ(OpenError(file, readOnly), "opened");

    // A folder where none can be made is named with the reason.
    fs::create_directories(dir / "locked");
    testsupport::TReadOnlyFolder locked(dir / "locked");
    if (!locked.Blocked()) GTEST_SKIP() << "this user writes into any folder";
    EXPECT_EQ(
        OpenError(dir / "locked" / "tamboro" / "library.sqlite3", Options())
            .rfind("The library could not be opened: " +
                       (dir / "locked" / "tamboro" / "library.sqlite3").string() + ": the folder " +
                       (dir / "locked" / "tamboro").string() + " cannot be made (",
                   0),
        0u);
}

TEST_F(LibraryTest, AnotherProgramsFileOrAnUnknownVersionIsRefusedAndLeftAsItWas) {
    const std::string prefix = "The library could not be opened: ";
    const std::string left = "; the file was left as it was";
    auto refused = [&](const fs::path& file) {
        const Bytes before = Read(file);
        const std::string error = OpenError(file, Options());
        EXPECT_EQ(Read(file), before) << file;
        EXPECT_FALSE(fs::exists(file.string() + "-wal")) << file;
        return error;
    };
    const fs::path other = dir / "notes.db";
    TOtherProgram(other).Run("CREATE TABLE notes(text); INSERT INTO notes VALUES('buy sticks')");
    EXPECT_EQ(refused(other), prefix + other.string() + ": not a Tamboro library" + left);
    EXPECT_EQ(TOtherProgram(other).Text("PRAGMA journal_mode"), "delete\n");

    // Tamboro's tables under another program's mark are that program's.
    { library::TLibrary lib(dir / "marked.sqlite3", Options()); }
    TOtherProgram(dir / "marked.sqlite3").Run("PRAGMA application_id = 42");
    EXPECT_EQ(refused(dir / "marked.sqlite3"),
              prefix + (dir / "marked.sqlite3").string() + ": not a Tamboro library" + left);

    for (int version : {-1, 0}) {
        const fs::path file = dir / ("version" + std::to_string(version) + ".sqlite3");
        { library::TLibrary lib(file, Options()); }
        TOtherProgram(file).Run("PRAGMA user_version = " + std::to_string(version));
        EXPECT_EQ(refused(file),
                  prefix + file.string() + ": its library version " + std::to_string(version) +
                      " is not one Tamboro writes (changed by another program?)" + left);
    }
    // An empty database file holds no library for what only reads.
    TOtherProgram(dir / "empty.db").Run("PRAGMA user_version = 0");
    auto readOnly = Options();
    readOnly.Create = false;
    EXPECT_EQ(
        OpenError(dir / "empty.db", readOnly),
        prefix + (dir / "empty.db").string() + ": holds no library yet (an import makes one)");

    // A library made before the mark existed is Tamboro's by its tables and gets the mark.
    Td7Module module;
    module.LoadRandom(9);
    {
        library::TLibrary lib(file(), Options());
        lib.Add(library::TKind::Kit, Kit(module, 0), "a.syx", 0);
    }
    TOtherProgram(file()).Run("PRAGMA application_id = 0");
    library::TLibrary lib(file(), Options());
    EXPECT_EQ(lib.Count({}), 1);
    EXPECT_EQ(TOtherProgram(file()).Text("PRAGMA application_id"),
              std::to_string(library::kApplicationId) + "\n");
}

TEST_F(LibraryTest, EverySqliteFailureNamesTheLibraryFile) {
    auto options = Options();
    options.BusyTimeout = 100ms;
    Td7Module module;
    module.LoadRandom(10);
    library::TLibrary lib(file(), options);
    TOtherProgram other(file());
    ASSERT_EQ(other.Run("BEGIN IMMEDIATE; UPDATE items SET note = 'x'"), SQLITE_OK);
    try {
        lib.Add(library::TKind::Kit, Kit(module, 0), "a.syx", 0);
        ADD_FAILURE() << "written past another program's write";
    } catch (const std::exception& error) {
        EXPECT_EQ(std::string(error.what()), "The library " + fs::absolute(file()).string() +
                                                 " could not be used: database is locked");
    }
    other.Run("ROLLBACK");
}

// Root reads every folder: the walk runs as nobody, as a user's import would.
TEST_F(LibraryTest, AnUnreadableFolderIsNamedAndTheOthersAreStillSearched) {
    Td7Module module;
    module.LoadRandom(11);
    Write("kits/a/one.syx", Kit(module, 0));
    Write("kits/b/private/two.syx", Kit(module, 1));
    Write("kits/c/three.td7", Setup(module, {2}));
    fs::permissions(dir, fs::perms::all);
    fs::permissions(dir / "kits" / "b" / "private", fs::perms::none);
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        std::vector<std::string> problems;
        std::string text;
        for (const auto& found : library::FindLibraryFiles(dir / "kits", problems))
            text += found.filename().string() + "\n";
        for (const auto& problem : problems) text += problem + "\n";
        const bool written =
            ::write(pipe[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    std::string said;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    fs::permissions(dir / "kits" / "b" / "private", fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(said, "one.syx\nthree.td7\n" + (dir / "kits" / "b" / "private").string() +
                        ": folder not read, skipped (Permission denied)\n");
}

TEST_F(LibraryTest, TheLibraryIsTheOneTheSettingsFileNames) {
    const fs::path settings = dir / "config" / "tamboro.ini";
    EXPECT_EQ(library::LibraryFilePath(settings), dir / "config" / "library.sqlite3");
    fs::create_directories(settings.parent_path());
    std::ofstream(settings) << "[General]\nDevId=16\n[library]\nlibraryfile=kits/mine.sqlite3\n";
    EXPECT_EQ(library::LibraryFilePath(settings), dir / "config" / "kits" / "mine.sqlite3");
    std::ofstream(settings) << "[Library]\nLibraryFile=" << (dir / "shared.sqlite3").string()
                            << "\n";
    EXPECT_EQ(library::LibraryFilePath(settings), dir / "shared.sqlite3");
}

TEST_F(LibraryTest, TwoProgramsWritingAtOnceWaitForEachOtherAndLoseNothing) {
    Td7Module module;
    module.LoadRandom(8);
    library::TLibrary first(file(), Options());
    library::TLibrary second(file(), Options());
    TOtherProgram other(file());
    ASSERT_EQ(other.Run("BEGIN IMMEDIATE; UPDATE items SET note = 'x'"), SQLITE_OK);
    std::thread release([&] {
        std::this_thread::sleep_for(300ms);
        other.Run("COMMIT");
    });
    // Both wait for the other program's write, then write in turn.
    const auto a = first.Add(library::TKind::Kit, Kit(module, 0), "a.syx", 0);
    const auto b = second.Add(library::TKind::Kit, Kit(module, 1), "b.syx", 0);
    release.join();
    EXPECT_TRUE(a.second);
    EXPECT_TRUE(b.second);
    EXPECT_EQ(first.Count({}), 2);
    EXPECT_EQ(second.Count({}), 2);
}

TEST_F(LibraryTest, AnImportKilledHalfWayLeavesASoundLibraryOfWholeFiles) {
    // 300 files of three kits each, none shared, so that every file's kits are its own.
    constexpr int kFiles = 300;
    for (int f = 0; f < kFiles; ++f) {
        Td7Module module;
        module.LoadRandom(static_cast<std::uint32_t>(1000 + f));
        char name[32];
        std::snprintf(name, sizeof name, "kits/%03d.td7", f);
        Write(name, Setup(module, {0, 1, 2}));
    }
    { library::TLibrary create(file(), Options()); }
    int countAtKill = 0;
    {
        testsupport::TChildProcess child(TAMBORO_CLI_PATH, {"library", "--file", file().string(),
                                                            "import", (dir / "kits").string()});
        library::TLibrary watch(file(), Options());
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (watch.Count({}) < 30 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        child.Signal(SIGKILL);
        EXPECT_EQ(child.ExitStatus(), 128 + SIGKILL);
        countAtKill = watch.Count({});
    }
    ASSERT_GE(countAtKill, 30);
    ASSERT_LT(countAtKill, 3 * kFiles) << "the import ended before it was killed";

    EXPECT_EQ(TOtherProgram(file()).Text("PRAGMA integrity_check"), "ok\n");
    library::TLibrary lib(file(), Options());
    std::map<std::string, int> kitsOfFile;
    for (const auto& item : lib.Find({}))
        for (const auto& source : lib.Sources(item.Id)) ++kitsOfFile[source.Origin];
    for (const auto& [origin, kits] : kitsOfFile) EXPECT_EQ(kits, 3) << origin;
    EXPECT_EQ(lib.Count({}), 3 * static_cast<int>(kitsOfFile.size()));

    // The import run again completes what was left.
    const std::vector<fs::path> paths = {dir / "kits"};
    const auto report = lib.Import(paths);
    EXPECT_TRUE(report.Problems.empty());
    EXPECT_EQ(lib.Count({}), 3 * kFiles);
}

// The command line reads a library it cannot write, and uses no damaged one: each action
// as the editor opens the library, checked first.
TEST_F(LibraryTest, TheCommandLineReadsAReadOnlyLibraryAndRefusesADamagedOne) {
    Td7Module module;
    module.LoadRandom(27);
    const fs::path shelf = dir / "shelf";
    const fs::path file = shelf / "library.sqlite3";
    {
        library::TLibrary lib(file, Options());
        const std::vector<fs::path> paths = {MemoryDump("memory.syx", module)};
        lib.Import(paths);
    }
    const auto cli = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"library", "--file", file.string()});
        std::ostringstream out, err;
        const int code = cli::Run(args, out, err);
        return std::make_pair(code, err.str());
    };
    const std::string readOnly = "The library " + file.string() +
                                 " cannot be written (its file or folder is read-only): it is "
                                 "only read\n";
    {
        testsupport::TReadOnlyFolder locked(shelf);
        if (locked.Blocked()) {
            for (const auto& args : std::vector<std::vector<std::string>>{
                     {"list"}, {"info"}, {"lists"}, {"backup", (dir / "copy.sqlite3").string()}}) {
                const auto [code, err] = cli(args);
                EXPECT_EQ(code, 0) << args.front() << ": " << err;
                EXPECT_EQ(err.rfind(readOnly, 0), 0u) << args.front() << ": " << err;
            }
            EXPECT_EQ(library::CheckFile(dir / "copy.sqlite3"), "ok");
            EXPECT_EQ(cli({"tag", "1", "funk"}).first, 1);
        }
    }
    fs::permissions(file, fs::perms::owner_read);
    if (::access(file.c_str(), W_OK) != 0) {
        EXPECT_EQ(cli({"info"}).second.rfind(readOnly, 0), 0u);
    }
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);

    // 4 KB of the file overwritten: its header is sound, a page is not.
    {
        std::fstream damage(file, std::ios::in | std::ios::out | std::ios::binary);
        damage.seekp(5 * 4096);
        const std::string garbage(4096, '\x5A');
        damage.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    const std::string fault = "tamboro-cli: The library could not be opened: " + file.string() +
                              ": it fails its check (";
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"info"},
             {"list"},
             {"tag", "1", "funk"},
             {"import", (dir / "memory.syx").string()},
             {"export", "--all", (dir / "out").string()},
             {"backup", (dir / "damaged-copy.sqlite3").string()}}) {
        const auto [code, err] = cli(args);
        EXPECT_EQ(code, 1) << args.front();
        EXPECT_EQ(err.rfind(fault, 0), 0u) << args.front() << ": " << err;
    }
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_FALSE(fs::exists(dir / "damaged-copy.sqlite3"));

    // What could still be read is offered beside it, and restored from there.
    const fs::path rescued = file.string() + ".rescued";
    const std::string offered = cli({"info"}).second;
    EXPECT_NE(offered.find("\nWhat could still be read from it ("), std::string::npos) << offered;
    EXPECT_NE(offered.find(") is in " + rescued.string() + " (tamboro-cli library restore "),
              std::string::npos)
        << offered;
    EXPECT_EQ(library::CheckFile(rescued), "ok");
    EXPECT_EQ(cli({"restore", rescued.string()}).first, 0);
    library::TLibrary lib(file, Options());
    EXPECT_GT(lib.Count({.Kind = library::TKind::Kit}), 20) << "one page lost, not the library";
    EXPECT_EQ(lib.IntegrityCheck(), "ok");
}

}  // namespace librarytest
