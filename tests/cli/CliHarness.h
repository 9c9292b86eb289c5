#pragma once

// Running tamboro-cli's commands in the test's process, with files in a folder of the
// test's own, and golden bytes from the simulator's module, which is written from the
// module's address map and not from the editor's code.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Librarian.h"
#include "simulator/Td7Module.h"

namespace clitest {

using Bytes = std::vector<std::uint8_t>;
using simulator::Td7Module;

struct TResult {
    int Code;
    std::string Out;
    std::string Err;
};

inline TResult RunCli(const std::vector<std::string>& args, const cli::TEnvironment& env = {}) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = cli::Run(args, out, err, env);
    return {code, out.str(), err.str()};
}

// A folder for one test, removed with everything in it when the test ends.
class TTestFolder {
  public:
    TTestFolder() {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() /
                 ("tamboro-cli-" + std::to_string(::getpid()) + "-" + test->test_suite_name() +
                  "-" + test->name());
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TTestFolder() { std::filesystem::remove_all(m_path); }
    TTestFolder(const TTestFolder&) = delete;
    TTestFolder& operator=(const TTestFolder&) = delete;

    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

  private:
    std::filesystem::path m_path;
};

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void Append(Bytes& to, const Bytes& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// Patch p (0..31) as a patch file holds it: common block, triggers, note map.
inline Bytes PatchBytes(const Td7Module& module, int p) {
    return module.PatchDataSets(p);
}

inline Bytes InstrumentBytes(const Td7Module& module) {
    Bytes bytes;
    for (int i = 0; i < Td7Module::kInstrumentCount; ++i)
        Append(bytes, module.DataSetOf(Td7Module::InstrumentBlock(i)));
    return bytes;
}

inline Bytes SystemBytes(const Td7Module& module) {
    return module.DataSetOf(Td7Module::SystemBlock());
}

// A setup file of the module's memory holding the given slots (0..31), and the
// instruments and the system block when asked.
inline Bytes SetupBytes(const Td7Module& module, const std::vector<int>& slots, bool instruments,
                        bool system) {
    const std::string signature = "TD7Setup10";
    Bytes bytes(signature.begin(), signature.end());
    for (int p = 0; p < Td7Module::kPatchCount; ++p) {
        const bool present = std::find(slots.begin(), slots.end(), p) != slots.end();
        bytes.push_back(present ? 0x01 : 0x00);
        if (present) Append(bytes, PatchBytes(module, p));
    }
    bytes.push_back(instruments ? 0x01 : 0x00);
    if (instruments) Append(bytes, InstrumentBytes(module));
    bytes.push_back(system ? 0x01 : 0x00);
    if (system) Append(bytes, SystemBytes(module));
    return bytes;
}

inline std::vector<int> AllSlots() {
    std::vector<int> slots;
    for (int p = 0; p < Td7Module::kPatchCount; ++p) slots.push_back(p);
    return slots;
}

// Writes six name characters into the common block of patch p.
inline void NamePatch(Td7Module& module, int p, const std::string& name) {
    auto data = module.Data(Td7Module::CommonBlock(p));
    std::copy(name.begin(), name.end(), data.begin() + 2);
}

}  // namespace clitest
