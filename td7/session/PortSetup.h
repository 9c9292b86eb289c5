#pragma once

// Which MIDI ports the editor uses: the device lists of the device window, the numbers the
// settings file keeps for them, opening the ports of the settings at start, and applying
// the device window's choice. Toolkit-free: the ports and the service only.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace midiports {
class MidiService;
class TMidiInput;
class TMidiOutput;
}  // namespace midiports

namespace td7 {

// The output device number of the system's MIDI mapper.
inline constexpr int kMapperDevice = -1;

// One line of a device list: its text and the setting number it stands for (input:
// 0 none, k device k-1; output: 0 none, 1 the mapper, k device k-2).
struct TDeviceChoice {
    std::string Name;
    int Setting;
};

// "None", then every device whose name the service reports, in device order. A device
// without a name is left out, so a line's position and its setting number can differ.
std::vector<TDeviceChoice> InputDeviceList(midiports::MidiService& service);
std::vector<TDeviceChoice> OutputDeviceList(midiports::MidiService& service);

// The setting numbers of the ports as they are: 0 when closed.
int InputSetting(const midiports::TMidiInput& port);
int OutputSetting(const midiports::TMidiOutput& port);

inline constexpr const char* kInputNotAvailable =
    "The midi input device is not available, please choose another one";
inline constexpr const char* kOutputNotAvailable =
    "The midi output device is not available, please choose another one";

// At start: opens (and starts) the port of the setting. The text of the error box when the
// device cannot be chosen or started; the port stays closed then. A device that exists but
// does not open leaves the port closed without a message.
std::optional<std::string> OpenInputFromSetting(midiports::TMidiInput& port, int setting);
std::optional<std::string> OpenOutputFromSetting(midiports::TMidiOutput& port, int setting);

inline constexpr const char* kDeviceChoiceKept = "The MIDI devices chosen before stay in use.";

// A device choice that could not be applied: the port's own message, then
// kDeviceChoiceKept on a line of its own.
class TDeviceChoiceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The device window's OK: stop and close the input, open the chosen one and start it;
// close the output and open the chosen one; store the device ID field minus 1 as the
// module's device ID. All three or none: when a port refuses (or a chosen device does not
// open), both ports go back to the devices they had, the device ID stays, and
// TDeviceChoiceError says why.
void ApplyDeviceChoice(midiports::TMidiInput& input, midiports::TMidiOutput& output,
                       int inputSetting, int outputSetting, int deviceIdField);

}  // namespace td7
