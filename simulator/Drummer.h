#pragma once

#include <cstdint>

namespace simulator {

// What a drummer plays, hit by hit: a rock groove on kick, hi-hat and snare with a fill over
// the toms and cymbals, accents on the beat and softer notes between, never two bars alike.
struct DrumHit {
    int trigger;   // 0..17
    int velocity;  // 1..127
};

// Hit number k of an endless performance; the same k gives the same hit.
DrumHit DrummerHit(std::uint64_t k);

}  // namespace simulator
