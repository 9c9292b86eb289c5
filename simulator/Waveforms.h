#pragma once

#include <array>
#include <string>

namespace simulator {

inline constexpr int kWaveformCount = 256;
inline constexpr std::size_t kShortNameLength = 5;

// The waveform's full name, for waveform numbers 0..255 (std::out_of_range otherwise).
const char* WaveformName(int waveform);
// One character for the waveform's family: K kick, S snare, R rim, T tom, H hi-hat, C cymbal,
// P percussion, M melodic, X effect, B bass.
char WaveformType(int waveform);
// Five characters, blank-padded, as the module's display shows an instrument named after it.
std::string WaveformShortName(int waveform);

}  // namespace simulator
