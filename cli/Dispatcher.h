#pragma once

// tamboro-cli as a function: the program's main hands it the arguments and the standard
// streams; tests hand it their own streams, MIDI service and timing.

#include <chrono>
#include <filesystem>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include "td7/transfers/Transfers.h"

namespace midiports {
class MidiService;
}

namespace cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct TEnvironment {
    // The MIDI devices; none: the system's devices and the virtual TD-7, as in the editor.
    midiports::MidiService* Service = nullptr;
    // The editor's answer time-out and pace unless a test needs them shorter.
    td7::TTransferTiming Timing{};
    // How long the output may take to finish the last record before the port closes.
    std::chrono::milliseconds SendTimeout{5000};
    // The settings file that keeps the pace restore --fast learned per device; empty: the
    // editor's tamboro.ini.
    std::string SettingsFile;
    // Where the grooves are; none: the built-in ones and the user's beside tamboro.ini.
    std::vector<std::filesystem::path> GrooveFolders;
};

// Runs one command (the arguments after the program's name). Results go to `out`,
// progress, messages and failures to `err`. Returns the exit status: 0 success, 1 failure
// (its message on `err`), 2 usage error.
int Run(std::span<const std::string> args, std::ostream& out, std::ostream& err,
        const TEnvironment& environment = {});

}  // namespace cli
