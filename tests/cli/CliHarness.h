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

#include "cli/Dispatcher.h"
#include "simulator/Td7Module.h"
#include "tests/support/SetupImage.h"

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

using testsupport::AllSlots;
using testsupport::Append;
using testsupport::InstrumentBytes;
using testsupport::PatchBytes;
using testsupport::SetupBytes;
using testsupport::SystemBytes;

// Writes six name characters into the common block of patch p.
inline void NamePatch(Td7Module& module, int p, const std::string& name) {
    auto data = module.Data(Td7Module::CommonBlock(p));
    std::copy(name.begin(), name.end(), data.begin() + 2);
}

}  // namespace clitest
