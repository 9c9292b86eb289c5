#include "simulator/TriggerModel.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace simulator {

namespace {

using std::chrono::microseconds;

// Shown values of the minimal-velocity steps 0..15.
constexpr std::array<int, 16> kMinimalVelocities = {1,  2,  3,  5,  7,  10, 13, 17,
                                                    21, 26, 31, 37, 43, 49, 56, 64};
constexpr std::array<int, 4> kFixedVelocities = {32, 64, 96, 127};
// Norm1 is straight; Norm2 louder, Norm3 and Norm4 softer under a full strike.
constexpr std::array<double, 4> kCurveExponents = {1.0, 0.8, 1.25, 1.6};

constexpr double kHotGain = 1.35;
constexpr microseconds kMaskStep{4000};

// Half the hits of a ringing pad fire it again, 5..30 ms later, at 30..55% of the strike.
constexpr double kDoubleRate = 0.5;
constexpr microseconds kDoubleEarliest{5000}, kDoubleLatest{30000};
constexpr double kDoubleLeast = 0.30, kDoubleMost = 0.55;

// Four hits in five shake the neighbour, which feels 15..40% of the strike 1..6 ms later.
constexpr double kCrosstalkRate = 0.8;
constexpr microseconds kCrosstalkEarliest{1000}, kCrosstalkLatest{6000};
constexpr double kCrosstalkLeast = 0.15, kCrosstalkMost = 0.40;

// Triggers 0..17 are head and rim of pads 0..8: kick, snare, hi-hat, toms 1..4, ride, crash.
// The pad beside each (kick and snare, snare and hi-hat, toms in pairs, ride over tom 4,
// crash over the hi-hat); a rim shakes the same neighbour as its head.
constexpr std::array<int, 9> kNeighbourPad = {1, 2, 1, 4, 3, 6, 5, 6, 2};

int Step(std::uint8_t byte, int count) {
    return std::min<int>(byte & 0x7F, count - 1);
}

microseconds Between(microseconds earliest, microseconds latest, double u) {
    return earliest + microseconds(static_cast<long long>(u * double((latest - earliest).count())));
}

}  // namespace

TriggerSettings TriggerSettings::FromBlock(std::span<const std::uint8_t> block) {
    // Bytes: note, gate time, crosstalk group, curve, max and min dynamics, minimal velocity,
    // mask time, treshold, choke, sequence. The dynamics and Treshold are stored one below
    // what the module shows.
    TriggerSettings t;
    t.crosstalkGroup = Step(block[2], 49);
    t.velocityCurve = Step(block[3], 8);
    t.maxDynamicRange = Step(block[4], 16) + 1;
    t.minDynamicRange = Step(block[5], 16) + 1;
    t.minimalVelocity = Step(block[6], 16);
    t.maskTime = Step(block[7], 32);
    t.treshold = Step(block[8], 16) + 1;
    return t;
}

int TresholdStrength(const TriggerSettings& trigger) {
    return 4 * trigger.treshold;
}

int TriggerVelocity(double strength, const TriggerSettings& trigger, bool hot) {
    int velocity = 0;
    if (trigger.velocityCurve >= 4) {
        velocity = kFixedVelocities[std::size_t(trigger.velocityCurve - 4) % 4];
    } else {
        const double felt = hot ? strength * kHotGain : strength;
        const double full = 127.0 * (trigger.maxDynamicRange + 8) / 16.0;
        const double least = std::min(4.0 * (trigger.minDynamicRange - 1), full - 1.0);
        const double x = std::clamp((felt - least) / (full - least), 0.0, 1.0);
        velocity = static_cast<int>(
            std::lround(127.0 * std::pow(x, kCurveExponents[std::size_t(trigger.velocityCurve)])));
    }
    velocity = std::max(velocity, kMinimalVelocities[std::size_t(trigger.minimalVelocity) % 16]);
    return std::clamp(velocity, 1, 127);
}

int CrosstalkNeighbour(int trigger) {
    return 2 * kNeighbourPad[std::size_t(trigger / 2) % kNeighbourPad.size()];
}

std::vector<TriggerNote> TriggerNotes(const DrumHit& hit, std::span<const TriggerSettings> patch,
                                      const TriggerFaults& faults, std::mt19937& random) {
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::array<double, 6> u{};
    for (double& draw : u) draw = uniform(random);

    std::vector<TriggerNote> notes;
    const TriggerSettings& pad = patch[std::size_t(hit.trigger)];
    const double strength = hit.velocity;
    if (strength < TresholdStrength(pad)) return notes;
    notes.push_back({hit.trigger, TriggerVelocity(strength, pad, faults.hot), microseconds{}});

    if (faults.doubles && u[0] < kDoubleRate) {
        const microseconds after = Between(kDoubleEarliest, kDoubleLatest, u[1]);
        const double again = strength * (kDoubleLeast + (kDoubleMost - kDoubleLeast) * u[2]);
        // Mask Time ignores the pad for that long after it fired.
        if (after > pad.maskTime * kMaskStep && again >= TresholdStrength(pad))
            notes.push_back({hit.trigger, TriggerVelocity(again, pad, faults.hot), after});
    }
    if (faults.crosstalk && u[3] < kCrosstalkRate) {
        const int other = CrosstalkNeighbour(hit.trigger);
        const TriggerSettings& receiver = patch[std::size_t(other)];
        const bool grouped =
            pad.crosstalkGroup != 0 && pad.crosstalkGroup == receiver.crosstalkGroup;
        const double felt =
            strength * (kCrosstalkLeast + (kCrosstalkMost - kCrosstalkLeast) * u[5]);
        if (!grouped && felt >= TresholdStrength(receiver))
            notes.push_back({other, TriggerVelocity(felt, receiver, faults.hot),
                             Between(kCrosstalkEarliest, kCrosstalkLatest, u[4])});
    }
    std::ranges::sort(notes, {}, &TriggerNote::offset);
    return notes;
}

}  // namespace simulator
