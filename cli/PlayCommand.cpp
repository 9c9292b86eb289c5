#include "cli/PlayCommand.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <ostream>

#include "cli/Devices.h"
#include "cli/FileCommands.h"
#include "cli/Interrupt.h"
#include "cli/ModuleSession.h"
#include "td7/audition/GrooveFolders.h"
#include "td7/audition/KitNotes.h"
#include "td7/audition/MidiFile.h"
#include "td7/audition/Player.h"
#include "td7/audition/Schedule.h"
#include "td7/files/FileIo.h"
#include "td7/map/PresentFlags.h"

namespace cli {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Time for the ports to settle before the first note, so that it keeps its place too.
constexpr auto kLeadIn = std::chrono::milliseconds(100);

fs::path ProgramDir() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : program.parent_path();
}

td7::TGrooveList Grooves(const TEnvironment& environment) {
    if (!environment.GrooveFolders.empty()) return td7::LoadGrooves(environment.GrooveFolders);
    const fs::path dir = ProgramDir();
    return td7::LoadGrooves({td7::BuiltInGrooveFolder(dir), td7::UserGrooveFolder(dir)});
}

std::string Plural(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The patch whose notes a groove or a run is played on: from the setup, or requested from
// the module (with the system block, whose switch tells whether note-offs are heard).
void LoadPatch(const TArguments& args, TModuleSession& session, midiports::MidiService& service,
               int p) {
    if (!args.Setup.empty()) {
        LoadSetup(args.Setup, session.Dumps(), session.Present());
        if (!session.Present().PatchPresent(p))
            throw td7::FileError("Patch " + std::to_string(p + 1) + " is empty in " + args.Setup);
        return;
    }
    session.OpenInput(FindInputDevice(service, args.In));
    session.OpenOutput(FindOutputDevice(service, args.Out));
    session.Transfers().RequestSystem();
    session.Transfers().RequestPatch(p);
}

}  // namespace

void ListGrooves(const TEnvironment& environment, std::ostream& out, std::ostream& err) {
    const td7::TGrooveList list = Grooves(environment);
    for (const std::string& fault : list.Faults) err << "Skipped " << fault << '\n';
    for (const td7::TGroove& g : list.Grooves)
        out << g.Id << "  " << g.Name << ", " << Plural(g.Bars, "bar", "bars") << " of " << g.Beats
            << " beats, " << Plural(g.StepsPerBeat, "step", "steps") << " a beat\n";
    if (list.Grooves.empty()) err << "No grooves found\n";
}

void Play(const TArguments& args, midiports::MidiService& service, const TEnvironment& environment,
          std::ostream& err) {
    TModuleSession session(service, environment.Timing);
    std::shared_ptr<const td7::TSchedule> schedule;
    bool noteOffs = true;
    std::string what;
    if (!args.File.empty()) {
        // A file's own note-offs are sent as they come; a stop releases what still sounds.
        auto notes = td7::LoadMidiFileNotes(args.File);
        what = args.File + ": " +
               Plural(static_cast<long long>(notes.size()), "note event", "note events");
        schedule = std::make_shared<td7::TEventList>(std::move(notes));
    } else {
        const int p = std::max(args.Patch, 1) - 1;
        std::optional<td7::TGroove> groove;
        if (!args.Play.Groove.empty())
            groove = td7::FindGroove(Grooves(environment), args.Play.Groove);
        LoadPatch(args, session, service, p);
        const td7::TKitNotes kit = td7::KitNotesOfPatch(session.Dumps(), session.Present(), p);
        noteOffs = td7::ReceivesNoteOffs(session.Dumps(), session.Present());
        const std::string patch = "patch " + std::to_string(p + 1);
        if (groove) {
            const std::vector<std::string> missing = td7::MissingRoles(*groove, kit);
            if (!missing.empty()) {
                std::string names;
                for (const std::string& role : missing) names += (names.empty() ? "" : ", ") + role;
                err << "Left out, no trigger of " << patch << " plays them: " << names << '\n';
            }
            what = groove->Name + " at " + std::to_string(args.Play.Bpm) + " BPM" +
                   (args.Play.Swing != td7::kStraight
                        ? ", swing " + std::to_string(args.Play.Swing) + "%"
                        : "") +
                   (args.Play.Bars ? ", " + Plural(*args.Play.Bars, "bar", "bars") : "") + " on " +
                   patch;
            schedule = std::make_shared<td7::TGrooveSchedule>(
                *groove, kit, td7::TTempo{args.Play.Bpm, args.Play.Swing},
                args.Play.Bars.value_or(0), noteOffs);
        } else {
            const td7::Role role = *td7::RoleOfName(args.Play.Run);
            const std::optional<td7::TRoleNote>& found = kit[static_cast<std::size_t>(role)];
            if (!found)
                throw td7::TransferError("No trigger of " + patch + " plays " + args.Play.Run);
            const td7::TRoleNote note = *found;
            what = "A velocity run " + std::to_string(args.Play.RunLow) + " to " +
                   std::to_string(args.Play.RunHigh) + " on " + args.Play.Run + " (note " +
                   std::to_string(note.Note) + ") of " + patch;
            schedule = std::make_shared<td7::TVelocityRun>(
                note, args.Play.RunLow, args.Play.RunHigh, td7::TVelocityRun::kDefaultCount,
                args.Play.Bpm, noteOffs);
        }
    }
    if (!session.Session().Output().IsOpen())
        session.OpenOutput(FindOutputDevice(service, args.Out));

    // One message at a time reaches the port, whole.
    std::mutex sending;
    std::atomic<long long> sent{0};
    midiports::TMidiOutput& output = session.Session().Output();
    td7::TPlayer player([&](std::uint8_t status, std::uint8_t note, std::uint8_t velocity) {
        std::lock_guard lock(sending);
        output.SendShort(status, note, velocity);
        if ((status & 0xF0) == 0x90) ++sent;
    });
    TInterruptScope interrupt(session.Wakeup());
    err << "Playing " << what
        << (args.Play.Bars || !args.File.empty() || args.Play.Groove.empty() ? "; Ctrl+C stops\n"
                                                                             : "; until Ctrl+C\n");
    player.Play(schedule, noteOffs, Clock::now() + kLeadIn);
    // The system's lists are read once a second, as the editor's port timer does: notes sent
    // to a device that has gone go nowhere, without an error.
    Clock::time_point look = Clock::now() + std::chrono::seconds(1);
    std::string gone;
    while (player.Playing() && !TInterruptScope::Requested()) {
        session.WaitUntil([&] { return !player.Playing() || TInterruptScope::Requested(); },
                          Clock::now() + std::chrono::milliseconds(50));
        if (Clock::now() < look) continue;
        look = Clock::now() + std::chrono::seconds(1);
        gone = session.GoneDevices();
        if (!gone.empty()) break;
    }
    player.Stop();
    if (!player.Failure().empty()) throw td7::TransferError(player.Failure());
    if (!gone.empty()) throw td7::TransferError(gone + " The play ended there.");
    session.CheckDevices();
    err << (TInterruptScope::Requested() ? "Stopped after " : "Played ")
        << Plural(sent, "note", "notes") << (noteOffs ? ", none left sounding\n" : "\n");
}

}  // namespace cli
