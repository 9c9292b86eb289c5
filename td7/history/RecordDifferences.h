#pragma once

// What differs between two copies of one record, in the words of the windows: each
// parameter under its control's hint with its value as the control shows it, the name as
// the name field shows it, and any other data byte by its offset. The compare window and
// verify's report both read differences from here.

#include <cstdint>
#include <string>
#include <vector>

#include "td7/map/ShownValue.h"
#include "td7/map/Td7Map.h"

namespace midilink {
class TMidiDump;
}

namespace td7 {

struct TParameter;

// The control's hint, as the status line shows it; the pedal's controls have none, so
// their caption without its colon.
std::string ParameterLabel(const TParameter& p);

struct TDifference {
    // nullptr for the name and for a byte that no control shows.
    const TParameter* Parameter = nullptr;
    // ParameterLabel, "Patch Name", "Instrument Name" or "data byte 12" (its data offset).
    std::string Label;
    std::int32_t ThisValue = 0, OtherValue = 0;  // in the control's units; 0 for the name
    std::string ThisText, OtherText;
};

// Every difference between the records `current` and `other` of the block (whole records,
// header and checksum included): the name first, then the parameters in data order, then
// the bytes no control shows. Empty when the data bytes are equal.
std::vector<TDifference> RecordDifferences(Block block, const std::uint8_t* current,
                                           const std::uint8_t* other, const TShownStyle& style);

// "Hint: module A, file B" lines, in data order; empty when the data bytes are equal.
std::vector<std::string> DescribeDifferences(Block block, const midilink::TMidiDump& module,
                                             const midilink::TMidiDump& file);

}  // namespace td7
