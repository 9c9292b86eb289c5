#pragma once

// The texts the patch editor draws in its owner-drawn lists, built from the records.

#include <string>

#include "td7/map/Td7Decode.h"

namespace midilink {
class TDumpCollection;
class TMidiDump;
}  // namespace midilink

namespace editor {

// A line of the patch list: "05: " and the six name characters of a present slot, or
// "05: Empty" drawn in gray for an empty one.
struct TPatchLine {
    std::string Text;
    bool Gray = false;
};
TPatchLine PatchLineText(int p, bool present, const midilink::TMidiDump& common);

}  // namespace editor
