// Random sequences of what a user does to the mirror (edits, names, loads, moves, kits from
// the library, requests the module answers, transmissions, undo, redo, save and load),
// checked after every action against a plain model of what the user should see.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "tests/support/HistoryModel.h"

namespace {

class SeededChoices : public historymodel::TChoices {
  public:
    explicit SeededChoices(std::uint32_t seed) : m_random(seed) {}
    unsigned Pick(unsigned n) override { return std::uniform_int_distribution<unsigned>(0, n - 1)(m_random); }

  private:
    std::mt19937 m_random;
};

TEST(HistoryModelTest, RandomActionsKeepMirrorFlagsAndHistoryWithTheModel) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tamboro-history-model-" + std::to_string(::getpid()));
    for (std::uint32_t seed : {1U, 2U, 3U}) {
        historymodel::THarness harness(dir, seed);
        SeededChoices choices(seed);
        for (int n = 0; n < 1000; ++n) {
            const std::string what = harness.Act(choices);
            const std::string problem = harness.Check();
            ASSERT_TRUE(problem.empty()) << "seed " << seed << ", action " << n << " (" << what
                                         << "): " << problem;
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
