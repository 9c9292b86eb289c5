// The mirror, its present flags and its undo history under the actions the input chooses
// (edits, loads, moves, kits, requests the module answers, undo, redo, save and load),
// checked after each against the plain model of tests/support/HistoryModel.h. An execution
// is kept cheap so that the fuzzer tries thousands: at most kActions actions, one request of
// all patches, the look through the whole history and the saved file every kThoroughEvery
// actions and at the end.

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

constexpr int kActions = 32;
constexpr int kThoroughEvery = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("tamboro-fuzz-history-" + std::to_string(::getpid()));
    fuzz::Input input(data, size);
    historymodel::THarness harness(folder);
    harness.LimitWholeRequests(1);
    InputChoices choices(input);
    for (int n = 1; n <= kActions && !input.Empty(); ++n) {
        const std::string what = harness.Act(choices);
        const std::string problem = harness.Check(n % kThoroughEvery == 0 || n == kActions || input.Empty());
        if (!problem.empty()) std::fprintf(stderr, "after %s: %s\n", what.c_str(), problem.c_str());
        FUZZ_CHECK(problem.empty());
    }
    return 0;
}
