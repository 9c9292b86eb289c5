#include "simulator/Drummer.h"

#include <array>

namespace simulator {

namespace {

// Trigger numbers: 0 kick, 2 snare, 3 snare rim, 4 hi-hat, 6/8/10/12 toms 1..4,
// 14 ride, 16 crash. Three bars of groove, then a bar of fill.
constexpr std::array<int, 8> kGroove = {0, 4, 2, 4, 0, 4, 2, 4};
constexpr std::array<int, 8> kFill = {6, 8, 10, 12, 3, 14, 0, 16};
constexpr std::array<int, 8> kAccent = {118, 70, 104, 64, 112, 76, 100, 82};

}  // namespace

DrumHit DrummerHit(std::uint64_t k) {
    const std::size_t step = k % 8;
    const std::uint64_t bar = k / 8;
    const int trigger = bar % 4 == 3 ? kFill[step] : kGroove[step];
    // A few steps of spread on every hit, so that no two bars repeat exactly.
    const int spread = static_cast<int>((k * 37 + bar * 11) % 17) - 8;
    const int velocity = kAccent[step] + spread;
    return {trigger, velocity < 1 ? 1 : velocity > 127 ? 127 : velocity};
}

}  // namespace simulator
