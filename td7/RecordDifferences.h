#pragma once

// What differs between two copies of one record, in the words of the windows: each
// parameter under its control's hint with its value as the control shows it, the names
// as the name fields show them, and any other data byte by its offset.

#include <string>
#include <vector>

#include "td7/Td7Map.h"

namespace midilink {
class TMidiDump;
}

namespace td7 {

// "Hint: module A, file B" lines, in data order; empty when the data bytes are equal.
std::vector<std::string> DescribeDifferences(Block block, const midilink::TMidiDump& module,
                                             const midilink::TMidiDump& file);

}  // namespace td7
