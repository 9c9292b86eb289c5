#pragma once

// Libraries on real SQLite files in a folder of the test's own, and input files made by the
// simulator's module, which is written from the module's address map and not from the
// library's code: its data-set messages are what a real module and real files hold.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "library/Library.h"
#include "simulator/Td7Module.h"
#include "tests/support/SetupImage.h"

namespace librarytest {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using simulator::Td7Module;

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

class LibraryTest : public ::testing::Test {
  protected:
    LibraryTest() {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("tamboro-library-" + std::to_string(::getpid()) + "-" + test->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~LibraryTest() override {
        std::error_code error;
        fs::permissions(dir, fs::perms::owner_all, error);
        fs::remove_all(dir, error);
    }

    fs::path Write(const std::string& name, const Bytes& bytes) const {
        const fs::path path = dir / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    static Bytes Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Patch p of the module as it sends it: 78 data-set messages.
    static Bytes Kit(const Td7Module& module, int p) { return module.PatchDataSets(p); }

    // Copies patch `from` of one module into patch `to` of another (data bytes only).
    static void CopyPatch(const Td7Module& source, int from, Td7Module& target, int to) {
        auto copy = [&](const simulator::Block& a, const simulator::Block& b) {
            const auto data = source.Data(a);
            std::copy(data.begin(), data.end(), target.Data(b).begin());
        };
        copy(Td7Module::CommonBlock(from), Td7Module::CommonBlock(to));
        for (int t = 0; t < Td7Module::kTriggerCount; ++t)
            copy(Td7Module::TriggerBlock(from, t), Td7Module::TriggerBlock(to, t));
        for (int n = 0; n < Td7Module::kNoteMapCount; ++n)
            copy(Td7Module::NoteMapBlock(from, n), Td7Module::NoteMapBlock(to, n));
    }

    // The whole memory as td7sim writes it: system, 32 patches, instruments.
    fs::path MemoryDump(const std::string& name, const Td7Module& module) const {
        const fs::path path = dir / name;
        fs::create_directories(path.parent_path());
        module.SaveMemory(path);
        return path;
    }

    // A setup file with the given slots (0-based) of the module, nothing else.
    static Bytes Setup(const Td7Module& module, const std::vector<int>& slots) {
        return testsupport::SetupBytes(module, slots, false, false);
    }

    library::TLibrary::TOptions Options() const {
        library::TLibrary::TOptions options;
        options.BusyTimeout = std::chrono::milliseconds(2000);
        return options;
    }

    fs::path dir;
    fs::path file() const { return dir / "library.sqlite3"; }
};

}  // namespace librarytest
