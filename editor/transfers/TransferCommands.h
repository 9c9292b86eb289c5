#pragma once

#include <QString>

#include <functional>
#include <vector>

#include "td7/transfers/ReadBack.h"

namespace td7 {
class TTransferProgress;
struct TVerifyReport;
}  // namespace td7

namespace editor {

class TfmProgress;
class TfmTamboro;

// The transfer commands of the main menu: confirmations, the progress window, the disabled
// main window and the hourglass around the sequencing of TTransfers.
class TransferCommands {
  public:
    TransferCommands(TfmTamboro& main, TfmProgress& progress);
    TransferCommands(const TransferCommands&) = delete;
    TransferCommands& operator=(const TransferCommands&) = delete;

    void RequestCurrentClick();
    void TransmitCurrentClick();
    void RequestAllClick();
    void TransmitAllClick();
    void InstRequestClick();
    void InstTransmitClick();
    void SysRequestClick();
    void SysTransmitClick();
    // Patch > and Instruments > "Transmit Differences": the module's copy first, then only
    // what differs, then those verified.
    void TransmitDifferencesClick();
    void InstTransmitDifferencesClick();

    // After a patch has arrived completely: its list line and name field are refreshed.
    std::function<void(int p)> OnPatchArrived;
    // After Request Current and Request All: the effect pages of the current patch.
    std::function<void()> OnShowEffectPages;
    // After Request All, Instruments > Request and System > Request have completed:
    // which parts arrived (the library remembers them).
    std::function<void(bool patches, bool instruments, bool system)> OnRequested;

  private:
    // Runs one transmission behind the progress window (see TransmissionScope); `send`
    // returns false when cancelled. With Options > "Verify Transmissions" checked, the
    // records sent are verified after it as a second stage.
    void Transmit(int range, bool hourglass, const std::function<bool(td7::TTransferProgress&)>& send,
                  const std::vector<td7::TRecordRef>& records);
    // Options > "Fast Transfers": the records at the pace learned for the output device,
    // verified as they go; the pace learned is kept for the next time.
    void TransmitFast(const std::vector<td7::TRecordRef>& records, td7::TTransferProgress& progress);
    void TransmitChanged(const std::vector<td7::TRecordRef>& records);
    // The verify's outcome: the error box for what failed, the status line otherwise.
    void Report(const td7::TVerifyReport& report, const QString& before = {});

    TfmTamboro& m_main;
    TfmProgress& m_progress;
    bool m_outputLost = false;  // since the current transmission began
};

}  // namespace editor
