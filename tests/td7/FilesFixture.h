#pragma once

// A mirror with every record tagged by its place, a scratch folder, and helpers to read
// and write files, shared by the file tests.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "midilink/DeviceIds.h"
#include "midilink/Error.h"
#include "midilink/Templates.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"
#include "tests/support/RecordingLink.h"

namespace filestest {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

// Where a record's bytes came from: its block, its original index and a generation, so a
// test can tell which record ended up where, and a reload from a stale mirror.
struct Tag {
    td7::Block Block;
    int Index;
    int Generation;
    bool operator==(const Tag&) const = default;
};

inline void PutTag(midilink::TMidiDump& record, td7::Block block, int index, int generation) {
    std::uint8_t* data = record.Data() + td7::kHeaderSize;
    data[0] = static_cast<std::uint8_t>(block);
    data[1] = static_cast<std::uint8_t>(index >> 7);
    data[2] = static_cast<std::uint8_t>(index & 0x7F);
    data[3] = static_cast<std::uint8_t>(generation);
}

inline Tag TagOf(const midilink::TMidiDump& record) {
    const std::uint8_t* data = record.Data() + td7::kHeaderSize;
    return {static_cast<td7::Block>(data[0]), data[1] << 7 | data[2], data[3]};
}

inline std::ostream& operator<<(std::ostream& out, const Tag& tag) {
    return out << "{block " << static_cast<int>(tag.Block) << ", record " << tag.Index
               << ", generation " << tag.Generation << "}";
}

class FilesTest : public ::testing::Test {
  protected:
    FilesTest() {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, 0x10);
        // One folder per process and test: ctest runs tests of several builds at once.
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("tamboro-files-" + std::to_string(::getpid()) + "-" +
                                           test->test_suite_name() + "." + test->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~FilesTest() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // Every record of every collection carries its tag; headers are those of its place.
    void TagAll(int generation) {
        for (td7::Block block : td7::kAllBlocks) {
            midilink::TDumpCollection& dump = dumps.Of(block);
            for (int i = 0; i < dump.Count(); ++i) {
                PutTag(dump.Records(i), block, i, generation);
                dump.PrepareRecord(i);
            }
        }
    }

    Tag At(td7::Block block, int i) { return TagOf(dumps.Of(block).Records(i)); }

    // The records of the mirror as bytes, to prove that something changed nothing.
    static Bytes Snapshot(td7::TTd7Collections& mirror) {
        Bytes all;
        for (td7::Block block : td7::kAllBlocks) {
            midilink::TDumpCollection& dump = mirror.Of(block);
            for (int i = 0; i < dump.Count(); ++i) {
                const midilink::TMidiDump& record = dump.Records(i);
                all.insert(all.end(), record.Data(), record.Data() + record.Size());
            }
        }
        return all;
    }

    bool AnyModified() {
        for (td7::Block block : td7::kAllBlocks)
            if (dumps.Of(block).Modified()) return true;
        return false;
    }

    void ClearModified() {
        for (td7::Block block : td7::kAllBlocks) dumps.Of(block).SetModified(false);
    }

    static Bytes ReadAll(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    static void WriteAll(const fs::path& path, const Bytes& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    // True when the record is a sealed message: F0, F7, the checksum of its bytes.
    static bool Sealed(const std::uint8_t* record, int size) {
        return record[0] == 0xF0 && record[size - 1] == 0xF7 &&
               record[size - 2] == midilink::RolandChecksum(record + 5, size - 7);
    }

    // A second mirror to load into.
    struct Target {
        testsupport::RecordingLink link;
        td7::TTd7Collections dumps{&link, {}, {}};
        td7::TPresentFlags present;
    };

    fs::path dir;
    testsupport::RecordingLink link;
    td7::TTd7Collections dumps{&link, {}, {}};
    td7::TPresentFlags present;
};

}  // namespace filestest
