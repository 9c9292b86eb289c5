#pragma once

// Where "tamboro.ini" lives, and with it the kit library: both programs look in the same
// place.

#include <filesystem>
#include <functional>

namespace td7 {

inline constexpr const char* kSettingsFileName = "tamboro.ini";

using EnvironmentLookup = std::function<const char*(const char* name)>;

// A folder that is the user's own: writable, and not that of a program installed under a
// prefix (the help file in ../share/tamboro/), such as a build folder or a portable copy.
bool IsOwnProgramDir(const std::filesystem::path& programDir);

// Beside the program when its folder is writable (a build or an unpacked folder), else in
// the user's configuration folder: $XDG_CONFIG_HOME/tamboro/, or ~/.config/tamboro/. A
// program installed under a prefix (the help file in ../share/tamboro/) always uses the
// configuration folder, so ~/.local/bin never collects a settings file.
std::filesystem::path SettingsFilePath(const std::filesystem::path& programDir,
                                       const EnvironmentLookup& env = {});

}  // namespace td7
