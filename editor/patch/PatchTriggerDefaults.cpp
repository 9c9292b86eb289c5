#include "editor/patch/PatchTriggerDefaults.h"

#include <array>

#include "midilink/Error.h"

namespace editor {

namespace {

constexpr std::array<TTriggerDefaults, 5> kDefaults = {{
    {0, 1, 8, 13, 2, 0},    // kick, kick rim
    {2, 3, 11, 0, 2, 0},    // snare, snare rim
    {4, 5, 11, 0, 3, 1},    // hi-hat, hi-hat rim
    {6, 13, 11, 0, 2, 0},   // toms 1..4 and rims
    {14, 17, 11, 0, 2, 1},  // ride, crash and rims
}};

}  // namespace

std::span<const TTriggerDefaults> TriggerDefaultsTable() {
    return kDefaults;
}

const TTriggerDefaults& TriggerDefaults(int t) {
    for (const TTriggerDefaults& row : kDefaults)
        if (t >= row.FirstTrigger && t <= row.LastTrigger) return row;
    throw midilink::Error("Index out of bounds");
}

}  // namespace editor
