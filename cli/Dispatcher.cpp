#include "cli/Dispatcher.h"

#include <memory>
#include <ostream>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Devices.h"
#include "cli/FileCommands.h"
#include "cli/FileInfo.h"
#include "cli/HitsCommand.h"
#include "cli/Interrupt.h"
#include "cli/ModuleChecks.h"
#include "cli/ModuleSession.h"
#include "cli/PlayCommand.h"
#include "cli/ProgressLine.h"
#include "midilink/DeviceIds.h"
#include "midiports/RtMidiService.h"
#include "td7/files/FileIo.h"
#include "td7/map/PresentFlags.h"
#include "td7/files/SetupFile.h"
#include "td7/session/SystemService.h"
#include "td7/map/Td7Collections.h"
#include "td7/settings/Version.h"

namespace cli {

namespace {

constexpr const char* kProgram = "tamboro-cli";

// What a setup file holds, or what is to be sent of it, in words.
std::string Contents(int patches, bool instruments, bool system) {
    std::string text = std::to_string(patches) + (patches == 1 ? " patch" : " patches");
    if (instruments) text += ", instruments";
    if (system) text += ", system";
    return text;
}

// Clears an event that refers to something of the caller's when the caller's scope ends.
template <class Event>
class EventScope {
  public:
    EventScope(Event& event, Event handler) : m_event(event) { m_event = std::move(handler); }
    ~EventScope() { m_event = nullptr; }
    EventScope(const EventScope&) = delete;
    EventScope& operator=(const EventScope&) = delete;

  private:
    Event& m_event;
};

void Backup(const TArguments& args, midiports::MidiService& service,
            const TEnvironment& environment, std::ostream& err) {
    // Refused before the module is asked for anything, as "Save Setup..." would refuse it.
    if (!td7::HasSetupExtension(args.Output)) throw td7::FileError(td7::kSetupExtensionError);
    // A folder that takes no file is found now, not after some thousand requests.
    td7::CheckWritable(args.Output);
    const int input = FindInputDevice(service, args.In);
    const int output = FindOutputDevice(service, args.Out);
    TModuleSession session(service, environment.Timing);
    session.OpenInput(input);
    session.OpenOutput(output);

    td7::TTransfers& transfers = session.Transfers();
    transfers.SetFast(args.Fast);
    const int total = (args.Patches ? td7::kPatchCount * td7::kRecordsPerPatch : 0) +
                      (args.Instruments ? td7::kInstrumentCount : 0) + (args.System ? 1 : 0);
    {
        TProgressLine progress(err, "%n dumps recieved...", total);
        // Each request counts its own dumps; the line counts the backup's.
        int earlier = 0;
        EventScope counted(transfers.OnDumpCounted,
                           {[&](td7::TTransfers*, int count) { progress.Set(earlier + count); }});
        const auto request = [&](void (td7::TTransfers::*part)()) {
            (transfers.*part)();
            earlier += transfers.ReceivedCount();
        };
        if (args.Patches) request(&td7::TTransfers::RequestAllPatches);
        if (args.Instruments) request(&td7::TTransfers::RequestInstruments);
        if (args.System) request(&td7::TTransfers::RequestSystem);
    }
    td7::TSetupFile setup(session.Dumps(), session.Present());
    setup.SaveSetupAs(args.Output);
    err << "Wrote " << args.Output << ": "
        << Contents(args.Patches ? td7::kPatchCount : 0, args.Instruments, args.System) << '\n';
}

// The records a restore sends, in sending order (slots counted from 1).
std::vector<td7::TRecordRef> RestoreRecords(const std::vector<int>& slots, bool instruments,
                                            bool system) {
    std::vector<td7::TRecordRef> records;
    for (int slot : slots) {
        const auto patch = td7::PatchRecords(slot - 1);
        records.insert(records.end(), patch.begin(), patch.end());
    }
    if (instruments) {
        const auto all = td7::InstrumentRecords();
        records.insert(records.end(), all.begin(), all.end());
    }
    if (system) records.push_back(td7::SystemRecords().front());
    return records;
}

void Restore(const TArguments& args, midiports::MidiService& service,
             const TEnvironment& environment, std::ostream& err) {
    // With the module's answers to hear, one record of each patch's worth is read back
    // while sending: a module that went silent stops the restore there.
    td7::TTransferTiming timing = environment.Timing;
    if (!args.In.empty()) timing.ProbeEvery = td7::kRecordsPerPatch;
    TModuleSession session(service, timing);
    const td7::TPresentFlags& present = session.Present();
    LoadSetup(args.File, session.Dumps(), session.Present());

    // The named patches only, or everything the file holds.
    std::vector<int> patches;
    bool instruments = false;
    bool system = false;
    if (!args.PatchList.empty()) {
        for (int slot : args.PatchList)
            if (!present.PatchPresent(slot - 1))
                throw td7::FileError("Patch " + std::to_string(slot) + " is empty in " + args.File);
        patches = args.PatchList;
    } else {
        for (int p = 0; p < td7::kPatchCount; ++p)
            if (present.PatchPresent(p)) patches.push_back(p + 1);
        instruments = present.InstrumentsPresent();
        system = present.SystemPresent();
    }
    if (patches.empty() && !instruments && !system) throw td7::TransferError("No patches to send");
    const auto records = RestoreRecords(patches, instruments, system);
    RefuseDamaged(args.File, session.Dumps(), records, args.Force, true, err);

    if (!args.In.empty()) session.OpenInput(FindInputDevice(service, args.In));
    session.OpenOutput(FindOutputDevice(service, args.Out));
    td7::TTransfers& transfers = session.Transfers();
    const int total = static_cast<int>(patches.size()) * td7::kRecordsPerPatch +
                      (instruments ? td7::kInstrumentCount : 0) + (system ? 1 : 0);
    TInterruptScope interrupt(session.Wakeup());
    if (args.ChangedOnly) {
        RestoreDifferences(args, session, records, environment, err);
        return;
    }
    if (args.Fast) {
        err << "Sending " << Contents(static_cast<int>(patches.size()), instruments, system)
            << '\n';
        RestoreFast(session, records, environment, err);
        return;
    }
    bool complete = true;
    int sent = 0;
    {
        TProgressLine progress(err, "Dumps sent: %n", total);
        progress.SetCancel(&TInterruptScope::Requested);
        for (int slot : patches)
            if (!(complete = transfers.TransmitPatch(slot - 1, progress))) break;
        if (complete && instruments) complete = transfers.TransmitInstruments(progress);
        if (complete && system) {
            transfers.TransmitSystem();
            progress.Step();
        }
        sent = progress.Count();
        // The last records may still be on their way; closing the port now would cut them.
        if (!session.WaitUntilSent(sent, environment.SendTimeout))
            throw td7::TransferError("The midi output device did not finish sending");
    }
    // An output that vanished took everything after it into nothing, without an error.
    session.CheckDevices();
    if (!complete)
        throw td7::TransferError("Restore interrupted: " + std::to_string(sent) + " of " +
                                 std::to_string(total) + " dumps sent");
    err << "Sent " << Contents(static_cast<int>(patches.size()), instruments, system) << '\n';
    if (args.In.empty())
        err << "Nothing was verified: without --in the module cannot be read back\n";
    else if (!args.NoVerify)
        VerifyRestore(session, records, err);
}

int Execute(const TArguments& args, std::ostream& out, std::ostream& err,
            const TEnvironment& environment) {
    td7::TSession::SetDeviceId(args.DeviceIdField - 1);
    std::unique_ptr<midiports::MidiService> ownService;
    bool noMidiService = false;  // the system's service told that none can be reached
    auto service = [&]() -> midiports::MidiService& {
        if (environment.Service != nullptr) return *environment.Service;
        if (!ownService) {
            // A mistyped service name would otherwise go unnoticed behind the default.
            const std::string unknown = midiports::UnknownMidiApiText();
            if (!unknown.empty()) throw DeviceError(unknown);
            ownService = td7::MakeSystemService([&err, &noMidiService](const std::string& line) {
                noMidiService = true;
                err << kProgram << ": " << line << '\n';
            });
        }
        return *ownService;
    };
    switch (args.Command) {
        case TCommand::Help:
            out << UsageText();
            break;
        case TCommand::Version:
            out << kProgram << ' ' << td7::VersionText() << '\n';
            break;
        case TCommand::Ports: {
            midiports::MidiService& devices = service();  // tells whether there is a service
            ListPorts(devices, out, !noMidiService);
            break;
        }
        case TCommand::Backup:
            Backup(args, service(), environment, err);
            break;
        case TCommand::Restore:
            Restore(args, service(), environment, err);
            break;
        case TCommand::Verify:
            return VerifyModule(args, service(), environment, out, err);
        case TCommand::Hits:
            RecordHits(args, service(), environment, out, err);
            break;
        case TCommand::Play:
            Play(args, service(), environment, err);
            break;
        case TCommand::Grooves:
            ListGrooves(environment, out, err);
            break;
        case TCommand::Info:
            DescribeFile(args.File, out);
            break;
        case TCommand::Extract:
            ExtractPart(args, err);
            break;
        case TCommand::Pack:
            PackSetup(args, err);
            break;
        case TCommand::Library:
            RunLibrary(args.Library, out, err);
            break;
    }
    return kExitSuccess;
}

}  // namespace

int Run(std::span<const std::string> args, std::ostream& out, std::ostream& err,
        const TEnvironment& environment) {
    TArguments parsed;
    try {
        parsed = ParseArguments(args);
    } catch (const UsageError& error) {
        err << kProgram << ": " << error.what() << "\nTry \"" << kProgram << " --help\".\n";
        return kExitUsage;
    }
    try {
        return Execute(parsed, out, err, environment);
    } catch (const std::exception& error) {
        out.flush();
        err << kProgram << ": " << error.what() << '\n';
        return kExitFailure;
    }
}

}  // namespace cli
