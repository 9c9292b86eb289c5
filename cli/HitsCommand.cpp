#include "cli/HitsCommand.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "cli/Devices.h"
#include "cli/FileCommands.h"
#include "cli/Interrupt.h"
#include "cli/ModuleSession.h"
#include "td7/files/FileIo.h"
#include "td7/transfers/Transfers.h"
#include "td7/triggers/HitsCsv.h"
#include "td7/triggers/PadHits.h"
#include "td7/triggers/TriggerCheck.h"
#include "td7/triggers/TriggerSuggestions.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

std::string PadLine(const td7::TTriggerCheck& check, int pad) {
    const td7::TPadCounts& counts = check.Counts(pad);
    std::string line = check.Pads().Name(pad) + ": " + std::to_string(counts.Hits) +
                       (counts.Hits == 1 ? " hit" : " hits") + ", velocity " +
                       std::to_string(counts.Lowest()) + "/" + std::to_string(counts.Median()) +
                       "/" + std::to_string(counts.Highest()) + " (lowest/median/highest), " +
                       std::to_string(std::lround(counts.ShareAt127() * 100)) + "% at 127";
    if (counts.Doubles > 0)
        line += ", " + std::to_string(counts.Doubles) + " double" +
                (counts.Doubles == 1 ? "" : "s") + " " + counts.GapsText() + " ms apart";
    std::string sources;
    for (const auto& [pair, crosstalk] : check.Crosstalk()) {
        if (pair.second != pad) continue;
        sources += (sources.empty() ? "" : ", ") + check.Pads().Name(pair.first) + " (" +
                   std::to_string(crosstalk.Count) + ")";
    }
    if (!sources.empty()) line += ", crosstalk from " + sources;
    return line;
}

}  // namespace

std::string HitsReport(const td7::TTriggerCheck& check, const std::string& suggestions,
                       const std::array<int, 16>& elsewhere) {
    std::string text;
    for (int pad = 0; pad < check.Pads().Count(); ++pad)
        if (check.Counts(pad).Hits > 0) text += PadLine(check, pad) + '\n';
    if (text.empty()) {
        text = "No hits\n";
        // A module that sends on another channel is the likeliest reason.
        const auto most = std::max_element(elsewhere.begin(), elsewhere.end());
        if (*most > 0) {
            const std::string channel = std::to_string(most - elsewhere.begin() + 1);
            text += std::to_string(*most) + (*most == 1 ? " note" : " notes") +
                    " arrived on channel " + channel + "; --channel " + channel +
                    " listens there\n";
        }
    }
    if (check.NotesOffPads() > 0)
        text += std::to_string(check.NotesOffPads()) + " notes of no trigger of the patch\n";
    text += suggestions.empty() ? "No suggestions\n" : "Suggestions:\n" + suggestions;
    return text;
}

void RecordHits(const TArguments& args, midiports::MidiService& service,
                const TEnvironment& environment, std::ostream& out, std::ostream& err) {
    // As every writer: the extension fits what is written, and never over what is read.
    if (!args.Csv.empty()) {
        if (!td7::HasExtension(args.Csv, ".csv")) throw td7::FileError(kCsvExtensionError);
        if (!args.Setup.empty()) RefuseOverwritingInput(args.Csv, {args.Setup});
    }
    TModuleSession session(service, environment.Timing);
    const int p = std::max(args.Patch, 1) - 1;
    std::vector<std::optional<td7::TTriggerValues>> values;
    td7::TPadMap pads = td7::TPadMap::ByNotes();
    if (!args.Setup.empty()) {
        LoadSetup(args.Setup, session.Dumps(), session.Present());
        if (!session.Present().PatchPresent(p))
            throw td7::FileError("Patch " + std::to_string(p + 1) + " is empty in " + args.Setup);
        pads = td7::TPadMap::OfPatch(session.Dumps(), p);
        values = td7::PadValues(session.Dumps(), p, pads);
    }
    // Refused before anything is recorded, as a save would refuse it afterwards.
    if (!args.Csv.empty()) td7::CheckWritable(args.Csv);
    const int channel =
        args.Channel ? *args.Channel : td7::TriggerTxChannel(session.Dumps(), session.Present());
    // A damaged system block can name any channel; on one outside 1..16 nothing arrives.
    if (channel < 1 || channel > 16)
        throw td7::FileError(args.Setup + ": trigger transmit channel " + std::to_string(channel) +
                             " is not a MIDI channel (1..16); --channel chooses one");
    td7::TSession& midi = session.Session();
    midi.CheckedHits().SetChannel(args.Channel);
    midi.SetCheckingTriggers(true);
    session.OpenInput(FindInputDevice(service, args.In));

    td7::TTriggerCheck check(std::move(pads));
    TInterruptScope interrupt(session.Wakeup());
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = args.Seconds ? start + std::chrono::seconds(*args.Seconds)
                                               : Clock::time_point::max();
    err << "Recording hits on channel " << channel << "; Ctrl+C ends\n";
    // The system's lists are read once a second, as the editor's port timer does.
    Clock::time_point look = start + std::chrono::seconds(1);
    std::string gone;
    for (;;) {
        session.WaitUntil(
            [&] { return midi.CheckedHits().Pending() || TInterruptScope::Requested(); },
            std::min(end, Clock::now() + std::chrono::milliseconds(250)));
        for (const td7::TPadHit& hit : midi.CheckedHits().Take())
            check.Record(std::chrono::duration<double>(hit.Delivered - start).count(), hit.Note,
                         hit.Velocity);
        if (TInterruptScope::Requested() || Clock::now() >= end) break;
        if (Clock::now() >= look) {
            look = Clock::now() + std::chrono::seconds(1);
            gone = session.GoneDevices();
            if (!gone.empty()) break;
        }
    }
    std::string suggestions;
    for (const td7::TSuggestion& s : td7::Suggest(check, values)) suggestions += s.Text + '\n';
    out << HitsReport(check, suggestions, midi.CheckedHits().Elsewhere());
    if (!args.Csv.empty()) {
        td7::SaveHitsCsv(args.Csv, check);
        err << "Wrote " << args.Csv << ": " << check.Notes().size() << " notes\n";
    }
    // What came before is reported; the recording did not end as asked.
    if (!gone.empty()) throw td7::TransferError(gone + " The recording ended there.");
}

}  // namespace cli
