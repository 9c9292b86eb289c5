#include "cli/Arguments.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string_view>

#include "td7/audition/Groove.h"
#include "td7/audition/Schedule.h"

namespace cli {

namespace {

struct TOptionSpec {
    std::string_view Name;
    int Values;  // how many arguments follow it
    bool Repeatable;
};

struct TCommandSpec {
    std::string_view Name;
    TCommand Command;
    int Files;  // positional file arguments
    std::vector<TOptionSpec> Options;
    bool FilesOptional = false;  // the files may be left out
};

const std::vector<TCommandSpec>& Commands() {
    static const std::vector<TCommandSpec> commands = {
        {"ports", TCommand::Ports, 0, {}},
        {"backup",
         TCommand::Backup,
         0,
         {{"--in", 1, false},
          {"--out", 1, false},
          {"--device-id", 1, false},
          {"--patches", 0, false},
          {"--instruments", 0, false},
          {"--system", 0, false},
          {"--all", 0, false},
          {"--fast", 0, false},
          {"-o", 1, false}}},
        {"restore",
         TCommand::Restore,
         1,
         {{"--out", 1, false},
          {"--device-id", 1, false},
          {"--patches", 1, false},
          {"--in", 1, false},
          {"--no-verify", 0, false},
          {"--changed-only", 0, false},
          {"--fast", 0, false},
          {"--force", 0, false}}},
        {"verify",
         TCommand::Verify,
         1,
         {{"--in", 1, false}, {"--out", 1, false}, {"--device-id", 1, false}}},
        {"info", TCommand::Info, 1, {}},
        {"hits",
         TCommand::Hits,
         0,
         {{"--in", 1, false},
          {"--seconds", 1, false},
          {"--channel", 1, false},
          {"--csv", 1, false},
          {"--setup", 1, false},
          {"--patch", 1, false}}},
        {"play",
         TCommand::Play,
         1,
         {{"--groove", 1, false},
          {"--run", 1, false},
          {"--velocities", 1, false},
          {"--bpm", 1, false},
          {"--swing", 1, false},
          {"--bars", 1, false},
          {"--setup", 1, false},
          {"--patch", 1, false},
          {"--in", 1, false},
          {"--out", 1, false},
          {"--device-id", 1, false}},
         true},
        {"grooves", TCommand::Grooves, 0, {}},
        {"extract",
         TCommand::Extract,
         1,
         {{"--patch", 1, false},
          {"--instruments", 0, false},
          {"--system", 0, false},
          {"--force", 0, false},
          {"-o", 1, false}}},
        {"pack",
         TCommand::Pack,
         0,
         {{"--patch", 2, true},
          {"--instruments", 1, false},
          {"--system", 1, false},
          {"--force", 0, false},
          {"-o", 1, false}}},
    };
    return commands;
}

// What the command line gave: each option with its values, in order, and the files.
struct TGiven {
    std::vector<std::pair<std::string, std::vector<std::string>>> Options;
    std::vector<std::string> Files;

    bool Has(std::string_view name) const { return Find(name) != nullptr; }
    const std::vector<std::string>* Find(std::string_view name) const {
        for (const auto& [option, values] : Options)
            if (option == name) return &values;
        return nullptr;
    }
    std::string Value(std::string_view name) const {
        const auto* values = Find(name);
        return values ? values->front() : std::string();
    }
};

TGiven Collect(const TCommandSpec& syntax, std::span<const std::string> args) {
    TGiven given;
    for (std::size_t k = 0; k < args.size(); ++k) {
        auto [name, value] = SplitOption(args[k]);
        std::vector<std::string> values;
        if (value) values.push_back(std::move(*value));
        const bool looksLikeOption = name.size() > 1 && name[0] == '-';
        if (!looksLikeOption) {
            given.Files.push_back(name);
            continue;
        }
        const auto option = std::find_if(syntax.Options.begin(), syntax.Options.end(),
                                         [&](const TOptionSpec& o) { return o.Name == name; });
        if (option == syntax.Options.end())
            throw UsageError("unknown option " + name + " for " + std::string(syntax.Name));
        if (!option->Repeatable && given.Has(name))
            throw UsageError("option " + name + " given twice");
        if (!values.empty() && option->Values != 1)
            throw UsageError("option " + name + " takes no value after \"=\"");
        while (static_cast<int>(values.size()) < option->Values) {
            if (++k >= args.size())
                throw UsageError("option " + name + " needs " +
                                 (option->Values == 1 ? "a value" : "a number and a file"));
            values.push_back(args[k]);
        }
        given.Options.emplace_back(name, std::move(values));
    }
    if (static_cast<int>(given.Files.size()) > syntax.Files)
        throw UsageError("unexpected argument \"" +
                         given.Files[static_cast<std::size_t>(syntax.Files)] + "\"");
    if (static_cast<int>(given.Files.size()) < syntax.Files && !syntax.FilesOptional)
        throw UsageError(std::string(syntax.Name) + " needs a file");
    return given;
}

int ParseNumber(const std::string& text, int min, int max, const std::string& what) {
    const bool digits =
        !text.empty() && text.size() <= 9 &&
        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
    const int value = digits ? std::stoi(text) : -1;
    if (value < min || value > max)
        throw UsageError("invalid " + what + " \"" + text + "\" (" + std::to_string(min) + ".." +
                         std::to_string(max) + ")");
    return value;
}

int ParseSlot(const std::string& text) {
    return ParseNumber(text, 1, 32, "patch number");
}

void Require(const TGiven& given, std::string_view option, std::string_view command) {
    if (!given.Has(option))
        throw UsageError(std::string(command) + " needs " + std::string(option));
}

void ReadDeviceId(const TGiven& given, TArguments& result) {
    if (given.Has("--device-id"))
        result.DeviceIdField =
            ParseNumber(given.Value("--device-id"), 1, kMaxDeviceIdField, "device ID");
}

// The read-back options: restore's --in, --no-verify and --changed-only, and "verify".
void FillChecks(const TGiven& given, TArguments& result) {
    if (result.Command == TCommand::Verify) {
        Require(given, "--in", "verify");
        Require(given, "--out", "verify");
        result.Out = given.Value("--out");
        ReadDeviceId(given, result);
    }
    result.In = given.Value("--in");
    result.NoVerify = given.Has("--no-verify");
    result.ChangedOnly = given.Has("--changed-only");
    if (result.ChangedOnly && result.In.empty())
        throw UsageError("restore --changed-only needs --in");
    if (result.Command != TCommand::Restore || !given.Has("--fast")) return;
    // Its pace is learned from what the module reads back.
    result.Fast = true;
    if (result.In.empty()) throw UsageError("restore --fast needs --in");
    if (result.NoVerify)
        throw UsageError("restore --fast verifies what it sends: leave out --no-verify");
    if (result.ChangedOnly)
        throw UsageError("restore --fast and --changed-only cannot be combined");
}

// play: a MIDI file, a groove or a velocity run, and what the latter two are played on.
void FillPlay(const TGiven& given, TArguments& result) {
    Require(given, "--out", "play");
    result.Out = given.Value("--out");
    ReadDeviceId(given, result);
    TPlayArguments& play = result.Play;
    play.Groove = given.Value("--groove");
    play.Run = given.Value("--run");
    const int chosen =
        int(!result.File.empty()) + int(given.Has("--groove")) + int(given.Has("--run"));
    if (chosen != 1) throw UsageError("play needs one of FILE.mid, --groove NAME, --run ROLE");
    if (!result.File.empty()) {
        for (std::string_view option :
             {"--bpm", "--swing", "--bars", "--setup", "--patch", "--in", "--velocities"})
            if (given.Has(option))
                throw UsageError("play FILE.mid plays the file as it is: leave out " +
                                 std::string(option));
        return;
    }
    if (given.Has("--groove") && play.Groove.empty())
        throw UsageError("play --groove needs a name");
    if (given.Has("--run") && !td7::RoleOfName(play.Run)) {
        std::string roles;
        for (int r = 0; r < td7::kRoleCount; ++r)
            roles += (r ? ", " : "") + std::string(td7::RoleName(static_cast<td7::Role>(r)));
        throw UsageError("unknown role \"" + play.Run + "\" (" + roles + ")");
    }
    if (given.Has("--velocities")) {
        if (!given.Has("--run")) throw UsageError("play --velocities goes with --run");
        const std::string range = given.Value("--velocities");
        const std::size_t dash = range.find('-');
        if (dash == std::string::npos)
            throw UsageError("invalid velocities \"" + range + "\" (LOW-HIGH)");
        play.RunLow = ParseNumber(range.substr(0, dash), 1, 127, "velocity");
        play.RunHigh = ParseNumber(range.substr(dash + 1), play.RunLow, 127, "velocity");
    }
    if (given.Has("--bars") && !given.Has("--groove"))
        throw UsageError("play --bars goes with --groove");
    if (given.Has("--swing") && !given.Has("--groove"))
        throw UsageError("play --swing goes with --groove");
    if (given.Has("--bpm"))
        play.Bpm = ParseNumber(given.Value("--bpm"), td7::kMinBpm, td7::kMaxBpm, "tempo");
    if (given.Has("--swing"))
        play.Swing = ParseNumber(given.Value("--swing"), td7::kStraight, td7::kMaxSwing, "swing");
    if (given.Has("--bars"))
        play.Bars = ParseNumber(given.Value("--bars"), 1, 100000, "number of bars");
    // The notes come from a patch: of a setup file, or the module's own after a request.
    result.Setup = given.Value("--setup");
    result.In = given.Value("--in");
    if (result.Setup.empty() == result.In.empty())
        throw UsageError("play needs --setup FILE or --in DEV (the patch whose notes are played)");
    if (given.Has("--patch")) result.Patch = ParseSlot(given.Value("--patch"));
}

void Fill(const TGiven& given, TArguments& result) {
    if (!given.Files.empty()) result.File = given.Files.front();
    result.Output = given.Value("-o");
    result.Force = given.Has("--force");
    switch (result.Command) {
        case TCommand::Backup:
            Require(given, "--in", "backup");
            Require(given, "--out", "backup");
            Require(given, "-o", "backup");
            result.In = given.Value("--in");
            result.Out = given.Value("--out");
            ReadDeviceId(given, result);
            result.Patches = given.Has("--patches");
            result.Instruments = given.Has("--instruments");
            result.System = given.Has("--system");
            result.Fast = given.Has("--fast");
            if (given.Has("--all") || !(result.Patches || result.Instruments || result.System))
                result.Patches = result.Instruments = result.System = true;
            break;
        case TCommand::Restore:
            Require(given, "--out", "restore");
            result.Out = given.Value("--out");
            ReadDeviceId(given, result);
            if (given.Has("--patches")) result.PatchList = ParsePatchList(given.Value("--patches"));
            FillChecks(given, result);
            break;
        case TCommand::Verify:
            FillChecks(given, result);
            break;
        case TCommand::Hits:
            Require(given, "--in", "hits");
            result.In = given.Value("--in");
            if (given.Has("--seconds"))
                result.Seconds = ParseNumber(given.Value("--seconds"), 1, 86400, "number of seconds");
            if (given.Has("--channel"))
                result.Channel = ParseNumber(given.Value("--channel"), 1, 16, "channel");
            result.Csv = given.Value("--csv");
            result.Setup = given.Value("--setup");
            if (given.Has("--patch")) {
                if (result.Setup.empty()) throw UsageError("hits --patch needs --setup");
                result.Patch = ParseSlot(given.Value("--patch"));
            }
            break;
        case TCommand::Play:
            FillPlay(given, result);
            break;
        case TCommand::Extract: {
            Require(given, "-o", "extract");
            const int chosen = int(given.Has("--patch")) + int(given.Has("--instruments")) +
                               int(given.Has("--system"));
            if (chosen != 1)
                throw UsageError("extract needs one of --patch N, --instruments, --system");
            if (given.Has("--patch")) result.Patch = ParseSlot(given.Value("--patch"));
            result.Instruments = given.Has("--instruments");
            result.System = given.Has("--system");
            break;
        }
        case TCommand::Pack: {
            Require(given, "-o", "pack");
            std::set<int> slots;
            for (const auto& [option, values] : given.Options) {
                if (option != "--patch") continue;
                const int slot = ParseSlot(values[0]);
                if (!slots.insert(slot).second)
                    throw UsageError("patch " + std::to_string(slot) + " given twice");
                result.PackPatches.push_back({slot, values[1]});
            }
            result.InstrumentsFile = given.Value("--instruments");
            result.SystemFile = given.Value("--system");
            if (result.PackPatches.empty() && result.InstrumentsFile.empty() &&
                result.SystemFile.empty())
                throw UsageError("pack needs --patch N FILE, --instruments FILE or --system FILE");
            break;
        }
        default:
            break;
    }
}

}  // namespace

std::pair<std::string, std::optional<std::string>> SplitOption(const std::string& arg) {
    // "--in=2" as well as "--in 2".
    const std::size_t equals = arg.find('=');
    if (!arg.starts_with("--") || equals == std::string::npos) return {arg, std::nullopt};
    return {arg.substr(0, equals), arg.substr(equals + 1)};
}

std::vector<int> ParsePatchList(const std::string& text) {
    std::set<int> slots;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        if (dash == std::string::npos) {
            slots.insert(ParseSlot(item));
        } else {
            const int first = ParseSlot(item.substr(0, dash));
            const int last = ParseSlot(item.substr(dash + 1));
            if (last < first) throw UsageError("invalid patch range \"" + item + "\"");
            for (int slot = first; slot <= last; ++slot) slots.insert(slot);
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return {slots.begin(), slots.end()};
}

TArguments ParseArguments(std::span<const std::string> args) {
    TArguments result;
    if (args.empty()) throw UsageError("no command given");
    for (const auto& arg : args)
        if (arg == "--help" || arg == "-h") return result;
    if (args[0] == "--version") {
        if (args.size() > 1) throw UsageError("unexpected argument \"" + args[1] + "\"");
        result.Command = TCommand::Version;
        return result;
    }
    if (args[0] == "library") {
        result.Command = TCommand::Library;
        result.Library = ParseLibraryArguments(args.subspan(1));
        return result;
    }
    const auto& commands = Commands();
    const auto syntax = std::find_if(commands.begin(), commands.end(),
                                     [&](const TCommandSpec& c) { return c.Name == args[0]; });
    if (syntax == commands.end()) throw UsageError("unknown command \"" + args[0] + "\"");
    result.Command = syntax->Command;
    Fill(Collect(*syntax, args.subspan(1)), result);
    return result;
}

std::string UsageText() {
    return R"(Usage: tamboro-cli COMMAND [OPTIONS]

The librarian of the Tamboro editor for the Roland TD-7, without its window: the same
requests, transmissions and files as the editor, byte for byte.

Commands:
  ports
      List the MIDI input and output devices, numbered as the editor's device window
      numbers them.
  backup --in DEV --out DEV [--device-id N] [--patches] [--instruments] [--system]
         [--all] [--fast] -o FILE.td7
      Request from the module and write a setup file (everything when no part is named).
      --fast lets two requests wait for their answers at once; a request whose answer
      does not come is asked once more.
  restore FILE.td7 --out DEV [--in DEV [--no-verify | --fast] [--changed-only]]
          [--device-id N] [--patches LIST] [--force]
      Transmit what the setup file holds, 100 ms between records; with --patches only
      those patches (LIST: 1,3,5-8). Ctrl+C stops it after the record being sent; a
      second Ctrl+C ends it at once. With --in every record sent is read back, and those
      the module did not take are sent again (two more rounds at most); --no-verify
      leaves that out, and says how many were sent again. --changed-only reads the
      module's copy first and sends only the records that differ. --fast (with --in)
      starts at the records' own time on the cable and learns how fast the module
      takes them: what it dropped is sent again, every record ends verified or named,
      and the pace learned is kept per output device in the editor's tamboro.ini for
      the next time. The 100 ms pace is the safe one: use --fast with a module that has
      been tried with it.
  verify FILE --in DEV --out DEV [--device-id N]
      Compare the module with what a setup or dump file holds, sending nothing; list
      the differences by record and parameter. Exit status 1 when any differ.
  hits --in DEV [--seconds N] [--channel C] [--csv FILE] [--setup FILE [--patch N]]
      Record the notes the pads send (on the trigger transmit channel, 10 unless the
      setup's system block or --channel says otherwise) until N seconds have passed or
      Ctrl+C, then print per pad its hits, velocities, double triggers and crosstalk, and
      suggestions which trigger parameter to turn which way. With --setup the pads are
      the triggers of its patch N (1 unless given), with their parameters; without, each
      note is a pad of its own. --csv writes the notes: seconds,note,velocity,trigger,flag
      (a file ending in .csv, never the setup). Without a hit, the channel that notes
      came on instead is named; an input device that goes away ends it with status 1.
  play --groove NAME [--bpm N] [--swing P] [--bars N] (--setup FILE | --in DEV)
       [--patch N] --out DEV [--device-id N]
      Play a groove (see "grooves") on the notes of patch N (1 unless given) of a setup
      file, or of the module's own patch after a request with --in: each role on its
      trigger's note, on channel 10, at 40..240 BPM (120 unless given), the second of each
      pair of steps at P percent (50 straight .. 75), N bars or until Ctrl+C. Note-offs
      follow after each trigger's gate time when the system's "Note Off Recieve" is on.
  play --run ROLE [--velocities LOW-HIGH] [--bpm N] (--setup FILE | --in DEV) [--patch N]
       --out DEV [--device-id N]
      The velocity run: 8 hits a beat apart on the role's trigger (kick, snare, snare-rim,
      hihat-closed, hihat-open, hihat-pedal, tom1..tom4, ride, ride-bell, crash), from
      LOW to HIGH (1-127 unless given).
  play FILE.mid --out DEV
      Play the channel-10 notes of a Standard MIDI File (type 0 or 1) at their times.
      Ctrl+C stops any play at once and no note is left sounding.
  grooves
      The grooves: the built-in ones, and your own "*.groove" files in the folder
      "grooves" beside the editor's tamboro.ini (~/.config/tamboro/grooves/ for an
      installed program), which take the place of a built-in one of the same name.
  info FILE
      What a setup file (.td7) or a patch, instruments or system file (.syx) holds, and
      any record whose checksum does not match. A file without any TD-7 record fails.
  extract FILE.td7 (--patch N | --instruments | --system) -o OUT.syx [--force]
      Write one part of a setup file as a dump file.
  pack -o FILE.td7 [--patch N FILE.syx]... [--instruments FILE.syx] [--system FILE.syx]
       [--force]
      Make a setup file of dump files (at least one).
  library [--file LIBRARY] import PATH...
      Add setup files, dump files and whole folders (recursively) to the kit library.
      Damaged patches are named and skipped; the sound ones come in.
  library [--file LIBRARY] list [--search TEXT] [--favourites]
          [--kind kit|instruments|system]
      One item a line: its ID, kind and name. --search looks in names, tags, notes and
      sources: "a phrase", -word, tag:TAG, fav:, kind:KIND, source:TEXT.
  library [--file LIBRARY] export (ID | list:NAME) -o FILE
      Write a kit as a patch file, instruments or system as their .syx file, a list as
      a setup file (.td7) with each kit in the slot of its position.
  library [--file LIBRARY] export (--all | --search WORDS) FOLDER
      Write each item as a .syx file into the folder.
  library [--file LIBRARY] info
      The library file, its size and what it holds.
  library [--file LIBRARY] tag ID TAG... | untag ID [TAG...] | fav ID | unfav ID
      Add or remove tags, mark or unmark a favourite.
  library [--file LIBRARY] delete ID...
      Move items to the Deleted view (the editor restores them or empties it).
  library [--file LIBRARY] lists | list-new NAME | list-show NAME
  library [--file LIBRARY] list-put NAME POSITION ID | list-clear NAME POSITION
      The lists, a new one, its 32 positions; put a kit at a position or empty it.
  library [--file LIBRARY] backup FILE | restore FILE
      A consistent copy of the library while in use; the library replaced by a backup.

restore, extract and pack refuse a record that the file holds damaged (its checksum
wrong, or no TD-7 data set), naming it; --force passes it on: restore sends it with a
fresh checksum, extract and pack write it as it was read. No command writes over a file it reads; outputs end in .td7
for setups and .syx for dump files.
Options take their value as --name VALUE or --name=VALUE.
DEV is a device's number from "tamboro-cli ports" or its name; the Virtual TD-7 is
taken by its name only.
--device-id N is the module's device ID as its display and the editor's device window show
it: 1..32, default 17 (the ID 0x10 of a module as it leaves the factory).
Patches are numbered 1..32.
The library is the editor's: [Library] LibraryFile of its tamboro.ini, else library.sqlite3
beside it, unless --file names another. Only import makes a new library. A library that
cannot be written is only read (list, info, lists, list-show, export, backup); a damaged
one is refused. library export -o never writes over a file.

Exit status: 0 success, 1 failure (its message on standard error), 2 usage error.
)";
}

}  // namespace cli
