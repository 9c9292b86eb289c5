#pragma once

// What "play" was told: a groove, a velocity run or a MIDI file, and how.

#include <optional>
#include <string>

namespace cli {

struct TPlayArguments {
    std::string Groove;  // --groove NAME
    std::string Run;     // --run ROLE: the velocity run on the role's trigger
    int RunLow = 1;      // --velocities LOW-HIGH
    int RunHigh = 127;
    int Bpm = 120;
    int Swing = 50;
    std::optional<int> Bars;  // none: until Ctrl+C
};

}  // namespace cli
