#pragma once

// The command line of tamboro-cli: one command and its options, checked before anything
// is read, written or sent. A mistake raises UsageError (exit status 2).

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli/LibraryCommands.h"
#include "cli/PlayArguments.h"

namespace cli {

class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::string& text) : std::runtime_error(text) {}
};

enum class TCommand {
    Help,
    Version,
    Ports,
    Backup,
    Restore,
    Info,
    Extract,
    Pack,
    Library,
    Verify,
    Hits,
    Play,
    Grooves
};

// The module's device ID as its display, td7sim and the editor's device window count it:
// 1..32, where 17 is the ID 0x10 that modules leave the factory with.
inline constexpr int kDefaultDeviceIdField = 17;
inline constexpr int kMaxDeviceIdField = 32;

struct TPackedPatch {
    int Slot;  // 1..32
    std::string File;
};

struct TArguments {
    TCommand Command = TCommand::Help;
    std::string File;    // info, restore, extract: the file to read
    std::string Output;  // -o
    std::string In;      // --in: device number or name
    std::string Out;     // --out
    int DeviceIdField = kDefaultDeviceIdField;
    // backup: what to request (all three when none is named); extract: the one to write.
    bool Patches = false;
    bool Instruments = false;
    bool System = false;
    int Patch = 0;                          // extract --patch N (1..32)
    std::vector<int> PatchList;             // restore --patches: slots 1..32, ascending, once each
    std::vector<TPackedPatch> PackPatches;  // pack --patch N FILE, in the order given
    std::string InstrumentsFile;            // pack --instruments FILE
    std::string SystemFile;                 // pack --system FILE
    TLibraryArguments Library;              // library ...
    // restore: how the module is read back (with --in only).
    bool NoVerify = false;     // --no-verify
    bool ChangedOnly = false;  // --changed-only
    // backup, restore --fast: requests several at once, records at a learned pace.
    bool Fast = false;
    // restore, extract, pack: send or write records that a file held damaged.
    bool Force = false;
    // hits: how long to record (none: until Ctrl+C), the channel to listen on instead of
    // the trigger transmit channel, where the notes go, and the setup whose patch
    // (--patch, 1 unless given) names the pads.
    std::optional<int> Seconds;
    std::optional<int> Channel;
    std::string Csv;
    std::string Setup;
    TPlayArguments Play;  // play: --groove, --run, --bpm, --swing, --bars (File: a MIDI file)
};

// The arguments after the program's name.
TArguments ParseArguments(std::span<const std::string> args);

// "1,3,5-8" as slots 1..32, ascending, each once.
std::vector<int> ParsePatchList(const std::string& text);

std::string UsageText();

// "--name=value" as the option's name and its value; any other argument as it stands,
// without a value.
std::pair<std::string, std::optional<std::string>> SplitOption(const std::string& arg);

}  // namespace cli
