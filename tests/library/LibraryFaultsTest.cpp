#include <signal.h>
#include <sqlite3.h>

#include <map>
#include <sstream>
#include <thread>

#include "cli/Dispatcher.h"
#include "tests/library/LibraryFixture.h"
#include "tests/support/ChildProcess.h"

namespace librarytest {

namespace {

using namespace std::chrono_literals;

// Another program's connection to the same file, through SQLite's own API.
class TOtherProgram {
  public:
    explicit TOtherProgram(const fs::path& file) { sqlite3_open(file.c_str(), &m_db); }
    ~TOtherProgram() { sqlite3_close(m_db); }
    TOtherProgram(const TOtherProgram&) = delete;
    TOtherProgram& operator=(const TOtherProgram&) = delete;
    int Run(const std::string& sql) {
        return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr);
    }
    std::string Text(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr);
        std::string text;
        while (sqlite3_step(statement) == SQLITE_ROW)
            text += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)) +
                    std::string("\n");
        sqlite3_finalize(statement);
        return text;
    }

  private:
    sqlite3* m_db = nullptr;
};

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
                  ": made by a newer Tamboro (library version 7, this one reads up to 1)");

    // A program that holds the file locked for itself.
    {
        TOtherProgram locker(dir / "locked.sqlite3");
        ASSERT_EQ(locker.Run("PRAGMA locking_mode = EXCLUSIVE; CREATE TABLE t(x);"
                             "BEGIN EXCLUSIVE; INSERT INTO t VALUES(1);"),
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
    // A library whose folder cannot be created in.
    EXPECT_NE(OpenError(dir / "missing" / "folder" / "library.sqlite3", options).find(prefix),
              std::string::npos);
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

}  // namespace librarytest
