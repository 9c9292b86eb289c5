#pragma once

// Finding the device of the settings again. A USB interface plugged into another socket,
// or another interface plugged in beside it, moves the device numbers; its name stays.
// So the settings keep both, and at start the name decides when the two disagree.

#include <optional>
#include <string>
#include <vector>

#include "td7/session/PortSetup.h"

namespace td7 {

// The setting number to open for a device remembered as `setting` with `name`:
// - 0 (none) stays 0; without a name (an older settings file) the number stands;
// - the device at that number still has that name: the number;
// - it has another name, or is gone, and a device with the name is in the list: that one;
// - the name is nowhere: none (std::nullopt), for the error box, also when another device
//   has the number now (the built-in Virtual TD-7 takes the number of an interface
//   unplugged, and would be opened without a word).
std::optional<int> FindRememberedDevice(const std::vector<TDeviceChoice>& list, int setting,
                                        const std::string& name);

}  // namespace td7
