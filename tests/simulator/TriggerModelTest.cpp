#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <vector>

#include "simulator/Drummer.h"
#include "simulator/Td7Module.h"
#include "simulator/TriggerModel.h"

namespace simulator::test {
namespace {

using namespace std::chrono_literals;
using Patch = std::array<TriggerSettings, Td7Module::kTriggerCount>;

// Patch 1 as the module leaves the factory.
Patch FactoryPatch() {
    Td7Module module;
    module.LoadFactory();
    Patch patch;
    for (int t = 0; t < Td7Module::kTriggerCount; ++t)
        patch[std::size_t(t)] =
            TriggerSettings::FromBlock(module.Data(Td7Module::TriggerBlock(0, t)));
    return patch;
}

// What 400 hits of the drummer (100 s of --hits) come out as, on one seed.
struct Played {
    int sounded = 0;    // notes at the moment of a hit
    int doubles = 0;    // later notes of the hit's own pad
    int crosstalk = 0;  // notes of another pad
    int full = 0;       // notes at 127
    std::vector<TriggerNote> extras;
};

Played Play(const Patch& patch, const TriggerFaults& faults) {
    std::mt19937 random(1);
    Played played;
    for (std::uint64_t k = 0; k < 400; ++k) {
        const DrumHit hit = DrummerHit(k);
        const auto notes = TriggerNotes(hit, patch, faults, random);
        for (const TriggerNote& note : notes) {
            played.full += note.velocity == 127;
            if (note.offset == 0us) {
                EXPECT_EQ(note.trigger, hit.trigger);
                ++played.sounded;
                continue;
            }
            played.extras.push_back(note);
            if (note.trigger == hit.trigger) {
                ++played.doubles;
                EXPECT_LE(note.velocity, notes.front().velocity * 6 / 10) << "clearly softer";
            } else {
                ++played.crosstalk;
            }
        }
    }
    return played;
}

// Raises one setting of every trigger a step at a time from the factory's and counts what
// `count` picks out at each step, until nothing is left or 8 steps are taken.
std::vector<int> Raising(int TriggerSettings::*setting, const TriggerFaults& faults,
                         const std::function<int(const Played&)>& count) {
    Patch patch = FactoryPatch();
    std::vector<int> counts{count(Play(patch, faults))};
    for (int step = 0; step < 8 && counts.back() > 0; ++step) {
        for (TriggerSettings& trigger : patch) ++(trigger.*setting);
        counts.push_back(count(Play(patch, faults)));
    }
    return counts;
}

void ExpectFallsToNothing(const std::vector<int>& counts) {
    ASSERT_GE(counts.size(), 2u);
    EXPECT_GE(counts.front(), 20) << "plain to see on a factory patch";
    for (std::size_t k = 1; k < counts.size(); ++k) EXPECT_LE(counts[k], counts[k - 1]) << k;
    EXPECT_EQ(counts.back(), 0) << "within 8 steps";
}

TEST(TriggerModel, WithoutFaultsEachHitIsOneNoteAsStruck) {
    const Played played = Play(FactoryPatch(), {});
    EXPECT_EQ(played.sounded, 400);
    EXPECT_TRUE(played.extras.empty());
    EXPECT_EQ(played.full, 0);
    // Norm1 over the factory's dynamic range sends what the drummer played.
    for (std::uint64_t k = 0; k < 16; ++k)
        EXPECT_EQ(TriggerVelocity(DrummerHit(k).velocity, FactoryPatch()[0], false),
                  DrummerHit(k).velocity);
}

TEST(TriggerModel, DoublesComeSofterAfterTheHitAndMaskTimeHidesThem) {
    const TriggerFaults faults{.doubles = true};
    for (const TriggerNote& note : Play(FactoryPatch(), faults).extras) {
        EXPECT_GE(note.offset, 5ms);
        EXPECT_LE(note.offset, 30ms);
    }
    const auto counts =
        Raising(&TriggerSettings::maskTime, faults, [](const Played& p) { return p.doubles; });
    ExpectFallsToNothing(counts);
}

TEST(TriggerModel, CrosstalkFiresTheNeighbourSoftlyUntilTresholdOrAGroupStopsIt) {
    const TriggerFaults faults{.crosstalk = true};
    for (const TriggerNote& note : Play(FactoryPatch(), faults).extras) {
        EXPECT_GE(note.offset, 1ms);
        EXPECT_LE(note.offset, 6ms);
        EXPECT_LT(note.velocity, 64);
    }
    const auto counts =
        Raising(&TriggerSettings::treshold, faults, [](const Played& p) { return p.crosstalk; });
    ExpectFallsToNothing(counts);
    // Raised that far, the Treshold still lets every hit of the drummer through.
    Patch patch = FactoryPatch();
    for (TriggerSettings& trigger : patch) trigger.treshold += int(counts.size()) - 1;
    EXPECT_EQ(Play(patch, faults).sounded, 400);

    patch = FactoryPatch();
    for (TriggerSettings& trigger : patch) trigger.crosstalkGroup = 5;
    EXPECT_EQ(Play(patch, faults).crosstalk, 0);
    patch[2].crosstalkGroup = 6;  // the snare alone in another group: it hears the others
    EXPECT_GT(Play(patch, faults).crosstalk, 0);
}

TEST(TriggerModel, HitsUnderTheTresholdSendNothing) {
    Patch patch = FactoryPatch();
    for (TriggerSettings& trigger : patch) trigger.treshold = 16;  // strikes under 64
    int strong = 0;
    for (std::uint64_t k = 0; k < 400; ++k) strong += DrummerHit(k).velocity >= 64;
    ASSERT_LT(strong, 400);
    EXPECT_EQ(Play(patch, {.doubles = true, .crosstalk = true}).sounded, strong);
}

TEST(TriggerModel, HotPadsReach127UntilTheMaximumDynamicRangeIsRaised) {
    const auto counts = Raising(&TriggerSettings::maxDynamicRange, {.hot = true},
                                [](const Played& p) { return p.full; });
    ExpectFallsToNothing(counts);
    EXPECT_GE(counts.front(), 100) << "many of the 400";
}

}  // namespace
}  // namespace simulator::test
