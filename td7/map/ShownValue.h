#pragma once

// A parameter's value as its control shows it, read from the bytes of a record: the one
// place where stored bytes become a control's value and its text, for every window and
// report that names values.

#include <cstdint>
#include <string>
#include <string_view>

namespace midilink {
class TDumpCollection;
}

namespace td7 {

struct TParameter;

// What a text needs beyond the parameter table.
struct TShownStyle {
    // The words of a check box's two states.
    std::string_view On = "On";
    std::string_view Off = "Off";
    // The note and sound lists by their items' texts ("35 B 1", "001: Kick1.K") instead of
    // their numbers.
    bool ListTexts = false;
    // The instruments that name the sound items; while they are not present the items read
    // "001: [Empty]", as the sound boxes draw them.
    midilink::TDumpCollection* Instruments = nullptr;
    bool InstrumentsPresent = false;
};

// What the parameter's control is set to for a record's bytes: the binding's own reading
// (the row's arithmetic), so that no report reads a value otherwise than the window does.
std::int32_t RecordValue(const TParameter& p, const std::uint8_t* record);
// The control's text for its value: the knob's value text, the item's name, the check
// box's state, the number.
std::string ShownValue(const TParameter& p, std::int32_t value, const TShownStyle& style = {});

}  // namespace td7
