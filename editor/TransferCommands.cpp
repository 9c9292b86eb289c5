#include "editor/TransferCommands.h"

#include <QApplication>

#include "editor/MainMenu.h"
#include "editor/MainWindow.h"
#include "editor/MessageBoxes.h"
#include "editor/ProgressWindow.h"
#include "midiports/MidiOutput.h"
#include "td7/PresentFlags.h"
#include "td7/Transfers.h"

namespace app {

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
class TransmissionProgress : public TTransferProgress {
  public:
    TransmissionProgress(TTransferProgress& window, const bool& outputLost)
        : m_window(window), m_outputLost(outputLost) {}
    void Step() override { m_window.Step(); }
    bool CancelRequested() const override { return m_outputLost || m_window.CancelRequested(); }

  private:
    TTransferProgress& m_window;
    const bool& m_outputLost;
};

}  // namespace

TransferCommands::TransferCommands(TfmTamboro& main, TfmProgress& progress)
    : m_main(main), m_progress(progress) {
    m_main.Transfers().OnPatchRequested = [this](TTransfers*, int p) {
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
                                const std::function<void(TTransferProgress&)>& send) {
    m_outputLost = false;
    TransmissionScope scope(m_main, m_progress, range, hourglass);
    TransmissionProgress progress(m_progress, m_outputLost);
    send(progress);
    if (m_outputLost)
        throw midiports::EmidioutputError(
            m_main.MidiOutput1().ErrorText(midiports::result::kDeviceLost));
}

void TransferCommands::TransmitCurrentClick() {
    Transmit(kPatchProgressRange, false, [this](TTransferProgress& progress) {
        m_main.Transfers().TransmitPatch(m_main.CurrentPatch(), progress);
    });
}

void TransferCommands::TransmitAllClick() {
    // "No patches to send" comes before any window changes.
    bool any = false;
    for (int p = 0; p < kPatchCount && !any; ++p) any = m_main.Present().PatchPresent(p);
    if (!any) throw TransferError("No patches to send");
    Transmit(kPatchProgressRange, true, [this](TTransferProgress& progress) {
        m_main.Transfers().TransmitAllPatches(progress);
    });
}

void TransferCommands::InstRequestClick() {
    m_main.Transfers().RequestInstruments();
    if (OnRequested) OnRequested(false, true, false);
}

void TransferCommands::InstTransmitClick() {
    Transmit(kInstrumentProgressRange, true, [this](TTransferProgress& progress) {
        m_main.Transfers().TransmitInstruments(progress);
    });
}

void TransferCommands::SysRequestClick() {
    m_main.Transfers().RequestSystem();
    if (OnRequested) OnRequested(false, false, true);
}

void TransferCommands::SysTransmitClick() {
    m_main.Transfers().TransmitSystem();
}

}  // namespace app
