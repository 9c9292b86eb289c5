#pragma once

// MIDI devices on the command line: listed and chosen with the numbers the editor's device
// window gives them (the numbers "MidiInDev" and "MidiOutDev" of its settings file), or by
// name.

#include <iosfwd>
#include <stdexcept>
#include <string>

namespace midiports {
class MidiService;
}

namespace cli {

class DeviceError : public std::runtime_error {
  public:
    explicit DeviceError(const std::string& text) : std::runtime_error(text) {}
};

// Both lists, one device a line: its number, two blanks, its name. "None" (0) is left out,
// and so is the output that the system's patchbay connects unless `mapperUsable`: without
// a MIDI service it cannot be opened.
void ListPorts(midiports::MidiService& service, std::ostream& out, bool mapperUsable = true);

// The number of the device given by its number or its name (exact, else the only one
// equal but for case). DeviceError with the editor's "not available" text for a number
// that is not in the list, and a text of its own for an unknown or ambiguous name. The
// Virtual TD-7 is taken by its name only: its number is refused with a text of its own.
int FindInputDevice(midiports::MidiService& service, const std::string& text);
int FindOutputDevice(midiports::MidiService& service, const std::string& text);

}  // namespace cli
