#include "editor/transfers/TransferCommands.h"

#include <QAction>
#include <QApplication>

#include "editor/common/MessageBoxes.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/MainWindow.h"
#include "editor/shell/StatusLine.h"
#include "editor/transfers/ProgressWindow.h"
#include "midiports/MidiOutput.h"
#include "td7/map/PresentFlags.h"
#include "td7/transfers/DamagedRecords.h"
#include "td7/transfers/FastTransmission.h"
#include "td7/transfers/Transfers.h"

namespace editor {

namespace {

// A transmission runs with the main window disabled behind the progress window (and the
// hourglass, for the long ones); all of it is restored however the transmission ends.
class TransmissionScope {
  public:
    TransmissionScope(TfmTamboro& main, TfmProgress& progress, int range, bool hourglass)
        : m_main(main), m_progress(progress), m_hourglass(hourglass) {
        if (m_hourglass) QApplication::setOverrideCursor(Qt::WaitCursor);
        m_main.setEnabled(false);
        m_progress.Start(range);
    }
    ~TransmissionScope() {
        m_progress.hide();
        m_main.setEnabled(true);
        if (m_hourglass) QApplication::restoreOverrideCursor();
    }
    TransmissionScope(const TransmissionScope&) = delete;
    TransmissionScope& operator=(const TransmissionScope&) = delete;

  private:
    TfmTamboro& m_main;
    TfmProgress& m_progress;
    bool m_hourglass;
};

// The progress window as a transmission sees it, also cancelled when the output device
// has gone away.
class TransmissionProgress : public td7::TTransferProgress {
  public:
    TransmissionProgress(td7::TTransferProgress& window, const bool& outputLost)
        : m_window(window), m_outputLost(outputLost) {}
    void Step() override { m_window.Step(); }
    void BeginPhase(td7::TTransferPhase phase, int range) override {
        m_window.BeginPhase(phase, range);
    }
    void FastCounts(int sent, int verified, int paceMs) override {
        m_window.FastCounts(sent, verified, paceMs);
    }
    bool CancelRequested() const override { return m_outputLost || m_window.CancelRequested(); }

  private:
    td7::TTransferProgress& m_window;
    const bool& m_outputLost;
};

}  // namespace

TransferCommands::TransferCommands(TfmTamboro& main, TfmProgress& progress)
    : m_main(main), m_progress(progress) {
    m_main.Transfers().OnPatchRequested = [this](td7::TTransfers*, int p) {
        m_main.SetPatchEditing(true);
        if (OnPatchArrived) OnPatchArrived(p);
    };
    // A device that goes away closes its port, and the link then drops what follows
    // unseen: a transmission would run its whole course sending nothing.
    m_main.MidiOutput1().OnDeviceLost = [this](midiports::TMidiOutput*) { m_outputLost = true; };
    MainMenu& menu = m_main.Menu();
    menu.Connect(TCommand::RequestCurrent, [this](int) { RequestCurrentClick(); });
    menu.Connect(TCommand::TransmitCurrent, [this](int) { TransmitCurrentClick(); });
    menu.Connect(TCommand::RequestAll, [this](int) { RequestAllClick(); });
    menu.Connect(TCommand::TransmitAll, [this](int) { TransmitAllClick(); });
    menu.Connect(TCommand::InstRequest, [this](int) { InstRequestClick(); });
    menu.Connect(TCommand::InstTransmit, [this](int) { InstTransmitClick(); });
    menu.Connect(TCommand::SysRequest, [this](int) { SysRequestClick(); });
    menu.Connect(TCommand::SysTransmit, [this](int) { SysTransmitClick(); });
    menu.Connect(TCommand::TransmitDifferences, [this](int) { TransmitDifferencesClick(); });
    menu.Connect(TCommand::InstTransmitDifferences,
                 [this](int) { InstTransmitDifferencesClick(); });
    QAction* verify = menu.Action(TCommand::VerifyTransmissions);
    verify->setChecked(m_main.VerifyTransmissions());
    QAction* fast = menu.Action(TCommand::FastTransfers);
    fast->setChecked(m_main.FastTransfers());
    m_main.OnVerifyTransmissionsLoaded = [this, verify, fast] {
        verify->setChecked(m_main.VerifyTransmissions());
        fast->setChecked(m_main.FastTransfers());
    };
    menu.Connect(TCommand::VerifyTransmissions,
                 [this, verify](int) { m_main.SetVerifyTransmissions(verify->isChecked()); });
    menu.Connect(TCommand::FastTransfers,
                 [this, fast](int) { m_main.SetFastTransfers(fast->isChecked()); });
    m_main.UpdateCommands();
}

void TransferCommands::RequestCurrentClick() {
    const int p = m_main.CurrentPatch();
    if (m_main.Present().PatchPresent(p) &&
        !m_main.Boxes().Confirm(
            QStringLiteral("Are you sure you want to overwrite the current patch?"), &m_main))
        return;
    m_main.Transfers().RequestPatch(p);
    if (OnShowEffectPages) OnShowEffectPages();
}

void TransferCommands::RequestAllClick() {
    if (!m_main.Boxes().Confirm(
            QStringLiteral("Are you sure you want to overwrite the current patches?"), &m_main))
        return;
    m_main.Transfers().RequestAllPatches();
    if (OnShowEffectPages) OnShowEffectPages();
    if (OnRequested) OnRequested(true, false, false);
}

void TransferCommands::Transmit(int range, bool hourglass,
                                const std::function<bool(td7::TTransferProgress&)>& send,
                                const std::vector<td7::TRecordRef>& records) {
    // A record a file held damaged would go out sealed as sound data; nothing goes then.
    td7::RefuseDamagedRecords(m_main.Dumps(), records);
    m_outputLost = false;
    TransmissionScope scope(m_main, m_progress, range, hourglass);
    TransmissionProgress progress(m_progress, m_outputLost);
    if (m_main.FastTransfers()) {
        TransmitFast(records, progress);
        return;
    }
    const bool complete = send(progress);
    if (m_outputLost)
        throw midiports::EmidioutputError(
            m_main.MidiOutput1().ErrorText(midiports::result::kDeviceLost));
    if (!complete) return;
    if (!m_main.VerifyTransmissions()) {
        m_main.Status().SetResult(QString::fromStdString(td7::SentSummary(static_cast<int>(records.size()))));
        return;
    }
    const td7::TVerifyReport report = m_main.Transfers().Verify(records, progress);
    // Requests to a device that went away time out: the lost device is the news.
    if (m_outputLost)
        throw midiports::EmidioutputError(
            m_main.MidiOutput1().ErrorText(midiports::result::kDeviceLost));
    Report(report);
}

void TransferCommands::TransmitFast(const std::vector<td7::TRecordRef>& records,
                                    td7::TTransferProgress& progress) {
    // The pace learned for this output device; one never tried starts at the wire.
    const td7::TFastTransmission fast = td7::TransmitFastAtLearnedPace(
        m_main.Transfers(), records, progress, m_main.SettingsFile().string(),
        m_main.MidiOutput1().ProductName());
    if (m_outputLost)
        throw midiports::EmidioutputError(
            m_main.MidiOutput1().ErrorText(midiports::result::kDeviceLost));
    const td7::TVerifyReport& report = fast.Report;
    // The transmission's own report first; a pace the settings file would not keep after it.
    try {
        // A cancel names what was not verified: those records may not be in the module.
        if (report.Cancelled && report.Timeout.empty() && !report.Failed.empty())
            throw td7::TransferError(report.Text());
        Report(report);
    } catch (const td7::TransferError& error) {
        if (fast.PaceProblem.empty()) throw;
        throw td7::TransferError(error.what() + ("\n\n" + fast.PaceProblem));
    }
    if (!fast.PaceProblem.empty()) throw td7::TransferError(fast.PaceProblem);
}

void TransferCommands::TransmitChanged(const std::vector<td7::TRecordRef>& records) {
    td7::RefuseDamagedRecords(m_main.Dumps(), records);
    m_outputLost = false;
    TransmissionScope scope(m_main, m_progress, static_cast<int>(records.size()), true);
    TransmissionProgress progress(m_progress, m_outputLost);
    const auto differing = m_main.Transfers().TransmitDifferences(records, progress);
    if (m_outputLost)
        throw midiports::EmidioutputError(
            m_main.MidiOutput1().ErrorText(midiports::result::kDeviceLost));
    if (!differing) return;
    const QString counted =
        QStringLiteral("%1 of %2 dumps differed").arg(differing->size()).arg(records.size());
    m_main.Status().SetResult(counted);
    if (!differing->empty()) Report(m_main.Transfers().Verify(*differing, progress), counted);
}

void TransferCommands::Report(const td7::TVerifyReport& report, const QString& before) {
    // A cancel stops the verify as it stops a transmission: quietly.
    if (report.Cancelled && report.Timeout.empty()) return;
    if (!report.Ok()) throw td7::TransferError(report.Text());
    const QString text = QString::fromStdString(report.Text());
    m_main.Status().SetResult(before.isEmpty() ? text : before + QStringLiteral(". ") + text);
}

void TransferCommands::TransmitDifferencesClick() {
    const auto records = td7::PresentPatchRecords(m_main.Present());
    if (records.empty()) throw td7::TransferError("No patches to send");
    TransmitChanged(records);
}

void TransferCommands::InstTransmitDifferencesClick() {
    TransmitChanged(td7::InstrumentRecords());
}

void TransferCommands::TransmitCurrentClick() {
    Transmit(
        td7::kPatchProgressRange, false,
        [this](td7::TTransferProgress& progress) {
            return m_main.Transfers().TransmitPatch(m_main.CurrentPatch(), progress);
        },
        td7::PatchRecords(m_main.CurrentPatch()));
}

void TransferCommands::TransmitAllClick() {
    // "No patches to send" comes before any window changes.
    bool any = false;
    for (int p = 0; p < td7::kPatchCount && !any; ++p) any = m_main.Present().PatchPresent(p);
    if (!any) throw td7::TransferError("No patches to send");
    Transmit(
        td7::kPatchProgressRange, true,
        [this](td7::TTransferProgress& progress) {
            return m_main.Transfers().TransmitAllPatches(progress);
        },
        td7::PresentPatchRecords(m_main.Present()));
}

void TransferCommands::InstRequestClick() {
    m_main.Transfers().RequestInstruments();
    if (OnRequested) OnRequested(false, true, false);
}

void TransferCommands::InstTransmitClick() {
    Transmit(
        td7::kInstrumentProgressRange, true,
        [this](td7::TTransferProgress& progress) {
            return m_main.Transfers().TransmitInstruments(progress);
        },
        td7::InstrumentRecords());
}

void TransferCommands::SysRequestClick() {
    m_main.Transfers().RequestSystem();
    if (OnRequested) OnRequested(false, false, true);
}

void TransferCommands::SysTransmitClick() {
    if (!m_main.VerifyTransmissions() && !m_main.FastTransfers()) {
        td7::RefuseDamagedRecords(m_main.Dumps(), td7::SystemRecords());
        m_main.Transfers().TransmitSystem();
        m_main.Status().SetResult(QString::fromStdString(td7::SentSummary(1)));
        return;
    }
    // Sent at once as always; the progress window is there for the verify.
    Transmit(
        1, false,
        [this](td7::TTransferProgress&) {
            m_main.Transfers().TransmitSystem();
            return true;
        },
        td7::SystemRecords());
}

}  // namespace editor
