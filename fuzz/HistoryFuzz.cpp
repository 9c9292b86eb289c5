// The mirror, its present flags and its undo history under the actions the input chooses
// (edits, loads, moves, kits, requests the module answers, undo, redo, save and load),
// checked after each against the plain model of tests/support/HistoryModel.h.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "tests/support/HistoryModel.h"

namespace {

// Each choice takes one byte of the input (two for more than 256 answers).
class InputChoices : public historymodel::TChoices {
  public:
    explicit InputChoices(fuzz::Input& input) : m_input(input) {}
    unsigned Pick(unsigned n) override {
        unsigned v = m_input.Byte();
        if (n > 256) v = v << 8 | m_input.Byte();
        return v % n;
    }

  private:
    fuzz::Input& m_input;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("tamboro-fuzz-history-" + std::to_string(::getpid()));
    fuzz::Input input(data, size);
    historymodel::THarness harness(folder);
    InputChoices choices(input);
    while (!input.Empty()) {
        const std::string what = harness.Act(choices);
        const std::string problem = harness.Check();
        if (!problem.empty()) std::fprintf(stderr, "after %s: %s\n", what.c_str(), problem.c_str());
        FUZZ_CHECK(problem.empty());
    }
    return 0;
}
