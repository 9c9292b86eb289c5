#pragma once

// The texts the patch editor draws in its owner-drawn lists, built from the records.

#include <string>

namespace midilink {
class TDumpCollection;
class TMidiDump;
}  // namespace midilink

namespace app {

// A line of the patch list: "05: " and the six name characters of a present slot, or
// "05: Empty" drawn in gray for an empty one.
struct TPatchLine {
    std::string Text;
    bool Gray = false;
};
TPatchLine PatchLineText(int p, bool present, const midilink::TMidiDump& common);

// Leading and trailing blanks and control characters removed.
std::string TrimName(const std::string& text);

// An item of the sound combo boxes: "001: " and instrument i's trimmed name text while
// instrument data is present, else "001: [Empty]".
std::string SoundItemText(int i, bool instrumentsPresent, midilink::TDumpCollection& instruments);

}  // namespace app
