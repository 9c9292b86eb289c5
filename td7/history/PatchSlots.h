#pragma once

// Whole patches moved between slots: Move To, Exchange With, and Initialize of an empty
// slot from the default patch. Records keep their bytes; their addresses follow their new
// positions at the next transmission, since headers are rebuilt from the position.

#include <cstdint>
#include <span>

#include "td7/map/DefaultPatch.h"

namespace td7 {

class TTd7Collections;
class TPresentFlags;

// Takes patch s out and puts it in slot d, its 78 records in order; the slots between move
// up or down by one, their present flags with them. The caller then selects slot d.
// Nothing happens when d equals s; "Index out of bounds" for a slot outside 0..31.
void MovePatch(TTd7Collections& dumps, TPresentFlags& present, int s, int d);

// Swaps patches s and d, records and present flags. Nothing happens when d equals s.
void ExchangePatch(TTd7Collections& dumps, TPresentFlags& present, int s, int d);

// Reads the 78 records of `patch` (the default patch unless another is given) into slot p
// as they stand, then marks the slot present. Nothing is sent to the module. A patch of
// the wrong length raises "Stream read error" before any record is touched.
void InitializePatch(TTd7Collections& dumps, TPresentFlags& present, int p,
                     std::span<const std::uint8_t> patch = DefaultPatchBytes());

}  // namespace td7
