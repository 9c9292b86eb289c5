#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "simulator/Drummer.h"

namespace simulator {

// A trigger's settings, as its block in a patch holds them (values as the module shows them).
struct TriggerSettings {
    int crosstalkGroup = 0;   // 0: off, else 1..48
    int velocityCurve = 0;    // 0..3: Norm1..Norm4, 4..7: Fix32, Fix64, Fix96, Fix127
    int maxDynamicRange = 8;  // 1..16
    int minDynamicRange = 1;  // 1..16
    int minimalVelocity = 0;  // 0..15, a step of the module's minimal-velocity table
    int maskTime = 0;         // 0..31, 4 ms a step
    int treshold = 8;         // 1..16

    // From the 11 bytes of a trigger block.
    static TriggerSettings FromBlock(std::span<const std::uint8_t> block);
};

// The faults of a badly set-up kit that the model can show; none: the model is off and each
// hit is one note at the drummer's velocity.
struct TriggerFaults {
    bool doubles = false;    // a pad that rings fires again 5..30 ms later, softer
    bool crosstalk = false;  // a hit shakes a neighbouring pad, which fires 1..6 ms later
    bool hot = false;        // pads that give out more than they are hit with
    bool Any() const { return doubles || crosstalk || hot; }
};

// One note the module sends for a hit.
struct TriggerNote {
    int trigger;                       // 0..17
    int velocity;                      // 1..127
    std::chrono::microseconds offset;  // after the hit
};

// How hard a pad must be struck, on the scale of the drummer's velocities, for its trigger to
// fire: 4 a step of Treshold.
int TresholdStrength(const TriggerSettings& trigger);

// The velocity a trigger sends for a strike of that strength (on the scale of the drummer's
// velocities) once past its Treshold: the dynamic range maps strengths from Minimum to
// Maximum Dynamic Range onto 1..127 (Maximum 8 sends a strength as it is, smaller ones reach
// 127 sooner), the curve bends it, Minimal Velocity is the floor. A hot pad's strikes count
// 35% stronger.
int TriggerVelocity(double strength, const TriggerSettings& trigger, bool hot);

// The pad a hit on `trigger` shakes: the one beside it on a kit.
int CrosstalkNeighbour(int trigger);

// The notes the module sends for one hit of the drummer on the current patch, whose 18
// triggers' settings `patch` holds, soonest first. The hit's velocity is how hard the pad was
// struck: under the trigger's Treshold it sends nothing. Every hit draws the same random
// numbers whatever the settings, so that on one seed a higher Mask Time or Treshold can only
// take notes away.
std::vector<TriggerNote> TriggerNotes(const DrumHit& hit, std::span<const TriggerSettings> patch,
                                      const TriggerFaults& faults, std::mt19937& random);

}  // namespace simulator
