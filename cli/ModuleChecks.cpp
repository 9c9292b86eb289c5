#include "cli/ModuleChecks.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/Devices.h"
#include "cli/Interrupt.h"
#include "cli/LibraryCommands.h"
#include "cli/ModuleSession.h"
#include "cli/ProgressLine.h"
#include "td7/files/FileKind.h"
#include "td7/history/RecordDifferences.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/RecordName.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/FastTransmission.h"
#include "td7/transfers/ReadBack.h"
#include "td7/transfers/Transfers.h"

namespace cli {

namespace {

// One progress line for each stage of a checked transfer.
class TPhaseLines : public td7::TTransferProgress {
  public:
    explicit TPhaseLines(std::ostream& err) : m_err(err) {}
    void BeginPhase(td7::TTransferPhase phase, int range) override {
        m_line.reset();
        const char* format = phase == td7::TTransferPhase::Read     ? "Dumps read: %n"
                             : phase == td7::TTransferPhase::Verify ? "Dumps verified: %n"
                                                                    : "Dumps sent: %n";
        m_line = std::make_unique<TProgressLine>(m_err, format, range);
    }
    void Step() override {
        if (m_line) m_line->Step();
    }
    bool CancelRequested() const override { return TInterruptScope::Requested(); }
    void FastCounts(int, int, int paceMs) override { m_paceMs = paceMs; }
    int Count() const { return m_line ? m_line->Count() : 0; }
    int PaceMs() const { return m_paceMs; }
    void Finish() { m_line.reset(); }

  private:
    std::ostream& m_err;
    std::unique_ptr<TProgressLine> m_line;
    int m_paceMs = 0;
};

// 2496 as "2,496".
std::string Thousands(int n) {
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

std::string Dumps(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " dump" : " dumps");
}

void Check(const td7::TVerifyReport& report, std::ostream& err) {
    if (report.Resent > 0) err << Dumps(static_cast<std::size_t>(report.Resent)) << " sent again\n";
    if (report.Cancelled)
        throw td7::TransferError("Verify interrupted: " + Dumps(report.Checked) +
                                 " sent, not all verified");
    if (!report.Ok()) throw td7::TransferError(report.Text());
    err << report.Text() << '\n';
}

std::vector<td7::TRecordRef> PresentRecords(const td7::TPresentFlags& present) {
    std::vector<td7::TRecordRef> records = td7::PresentPatchRecords(present);
    if (present.InstrumentsPresent())
        for (const auto& r : td7::InstrumentRecords()) records.push_back(r);
    if (present.SystemPresent()) records.push_back(td7::SystemRecords().front());
    return records;
}

}  // namespace

void VerifyRestore(TModuleSession& session, const std::vector<td7::TRecordRef>& records,
                   std::ostream& err) {
    td7::TVerifyReport report;
    {
        TPhaseLines progress(err);
        report = session.Transfers().Verify(records, progress);
    }
    Check(report, err);
}

void RestoreDifferences(const TArguments& args, TModuleSession& session,
                        const std::vector<td7::TRecordRef>& records,
                        const TEnvironment& environment, std::ostream& err) {
    std::optional<std::vector<td7::TRecordRef>> differing;
    int sent = 0;
    {
        TPhaseLines progress(err);
        differing = session.Transfers().TransmitDifferences(records, progress);
        sent = differing ? static_cast<int>(differing->size()) : progress.Count();
    }
    if (!differing)
        throw td7::TransferError("Restore interrupted: " + Dumps(static_cast<std::size_t>(sent)) +
                                 " sent");
    err << differing->size() << " of " << Dumps(records.size()) << " differed\n";
    if (!args.NoVerify) {
        if (!differing->empty()) VerifyRestore(session, *differing, err);
        return;
    }
    // Requests and records alike went through the output.
    if (!session.WaitUntilSent(static_cast<int>(records.size()) + sent, environment.SendTimeout))
        throw td7::TransferError("The midi output device did not finish sending");
}

void RestoreFast(TModuleSession& session, const std::vector<td7::TRecordRef>& records,
                 const TEnvironment& environment, std::ostream& err) {
    const std::string ini =
        environment.SettingsFile.empty() ? EditorSettingsFile() : environment.SettingsFile;
    const std::string device = session.Session().Output().ProductName();
    const auto start = std::chrono::steady_clock::now();
    td7::TFastTransmission fast;
    int paceMs = 0;
    {
        TPhaseLines progress(err);
        fast = td7::TransmitFastAtLearnedPace(session.Transfers(), records, progress, ini, device);
        paceMs = progress.PaceMs();
    }
    const td7::TVerifyReport& report = fast.Report;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // An output that went away says so, rather than a list of records not verified.
    session.CheckDevices();
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    // What was sent, also when interrupted part-way.
    err << Thousands(report.Sent) << " records in " << time << " s, " << Thousands(report.Resent)
        << " sent again, pace " << paceMs << " ms\n";
    // The transfer's report first, a pace that could not be kept after it.
    const auto then = [&fast](std::string text) {
        return fast.PaceProblem.empty() ? text : text + "\n" + fast.PaceProblem;
    };
    if (report.Cancelled) throw td7::TransferError(then("Restore interrupted: " + report.Text()));
    if (!report.Ok()) throw td7::TransferError(then(report.Text()));
    err << then(report.Text()) << '\n';
}

int VerifyModule(const TArguments& args, midiports::MidiService& service,
                 const TEnvironment& environment, std::ostream& out, std::ostream& err) {
    TModuleSession session(service, environment.Timing);
    td7::LoadAnyFile(args.File, session.Dumps(), session.Present());
    const std::vector<td7::TRecordRef> records = PresentRecords(session.Present());
    session.OpenInput(FindInputDevice(service, args.In));
    session.OpenOutput(FindOutputDevice(service, args.Out));

    TInterruptScope interrupt(session.Wakeup());
    td7::TComparison comparison;
    {
        TPhaseLines progress(err);
        progress.BeginPhase(td7::TTransferPhase::Read, static_cast<int>(records.size()));
        comparison = session.Transfers().ReadBack(records, progress);
    }
    if (!comparison.Timeout.empty()) throw td7::TransferError(comparison.Timeout);
    if (comparison.Cancelled)
        throw td7::TransferError(
            "Verify interrupted: " + std::to_string(records.size() - comparison.Unread.size()) +
            " of " + Dumps(records.size()) + " compared");

    td7::TTd7Collections& module = session.Transfers().ReadBackCopy().Copy();
    for (const td7::TRecordRef& r : comparison.Differing) {
        out << td7::RecordName(r.Kind, r.Index) << ":\n";
        for (const std::string& line :
             td7::DescribeDifferences(r.Kind, module.Of(r.Kind).Records(r.Index),
                                      session.Dumps().Of(r.Kind).Records(r.Index)))
            out << "  " << line << '\n';
    }
    if (comparison.Differing.empty()) {
        err << "The module holds what " << args.File << " holds (" << Dumps(records.size())
            << ")\n";
        return kExitSuccess;
    }
    err << comparison.Differing.size() << " of " << Dumps(records.size()) << " differ\n";
    return kExitFailure;
}

}  // namespace cli
