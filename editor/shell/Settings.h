#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "td7/settings/SettingsPath.h"

namespace editor {

inline constexpr int kRecentSetupCount = 8;

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
    std::string LastSetup;    // full path of the setup open at the last close
    bool PatchLookup = true;  // instrument window's "Enable patch lookup"
    // [Library] History: whether requests and loaded setups go into the library. Set by the
    // user, as LibraryFile is (read by library::LibraryFilePath); the editor leaves them be.
    bool LibraryHistory = true;
    // The folder of the file last chosen in a file dialog; empty until one was chosen.
    std::string LastDir;
    // The setups last opened or saved, newest first, at most kRecentSetupCount.
    std::vector<std::string> RecentSetups;
    bool VerifyTransmissions = false;  // Options > "Verify Transmissions"
    bool FollowPadHits = false;        // Options > "Follow Pad Hits"
    bool FastTransfers = false;        // Options > "Fast Transfers"

    bool operator==(const TSettings&) const = default;
};

// A missing file, a missing key or a value that cannot be read gives the default. A
// device ID that no MIDI byte can carry is taken as the default, so a damaged file cannot
// stop the start.
TSettings LoadSettings(const std::filesystem::path& file);

// Writes the keys into the file, keeping any other keys it holds; creates the folder.
// Raises std::runtime_error when the file cannot be written.
void SaveSettings(const std::filesystem::path& file, const TSettings& settings);

// Where the file dialogs start: the folder of the last chosen file while it exists; else
// the program's folder when it is writable and not an installed one (a build folder, a
// portable copy); else the user's home folder ($HOME).
std::filesystem::path FileDialogStartDir(const std::string& lastDir,
                                         const std::filesystem::path& programDir,
                                         const td7::EnvironmentLookup& env = {});

// The recent setups after `name` was opened or saved: it comes first, once, and the
// oldest fall off beyond kRecentSetupCount.
std::vector<std::string> WithRecentSetup(std::vector<std::string> recent, const std::string& name);

}  // namespace editor
