#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace app {

// What "tamboro.ini" keeps between runs. The defaults are those of a first start.
struct TSettings {
    int DevId = 16;             // device ID, 0-based
    int Background = 0x808080;  // main window colour, 0x00BBGGRR or 0x80000000 + n
    int MidiInDev = 0;          // 0: none; k > 0: input device k-1
    int MidiOutDev = 0;         // 0: none; 1: the mapper; k > 1: output device k-2
    // The names of those devices: the numbers move when an interface is plugged into
    // another socket, the names stay. Empty when none was open (or in an older file).
    std::string MidiInName;
    std::string MidiOutName;
    std::string LastSetup;       // full path of the setup open at the last close
    bool PatchLookup = true;     // instrument window's "Enable patch lookup"
    bool FollowPadHits = false;  // Options > "Follow Pad Hits"

    bool operator==(const TSettings&) const = default;
};

inline constexpr const char* kSettingsFileName = "tamboro.ini";

// A missing file, a missing key or a value that cannot be read gives the default. A
// device ID that no MIDI byte can carry is taken as the default, so a damaged file cannot
// stop the start.
TSettings LoadSettings(const std::filesystem::path& file);

// Writes the keys into the file, keeping any other keys it holds; creates the folder.
// Raises std::runtime_error when the file cannot be written.
void SaveSettings(const std::filesystem::path& file, const TSettings& settings);

using EnvironmentLookup = std::function<const char*(const char* name)>;

// Beside the program when its folder is writable (a build or an unpacked folder), else in
// the user's configuration folder: $XDG_CONFIG_HOME/tamboro/, or ~/.config/tamboro/. A
// program installed under a prefix (the help file in ../share/tamboro/) always uses the
// configuration folder, so ~/.local/bin never collects a settings file.
std::filesystem::path SettingsFilePath(const std::filesystem::path& programDir,
                                       const EnvironmentLookup& env = {});

}  // namespace app
