#pragma once

#include <functional>

namespace app {

class TfmProgress;
class TfmTamboro;
class TTransferProgress;

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

    // After a patch has arrived completely: its list line and name field are refreshed.
    std::function<void(int p)> OnPatchArrived;
    // After Request Current and Request All: the effect pages of the current patch.
    std::function<void()> OnShowEffectPages;
    // After Request All, Instruments > Request and System > Request have completed:
    // which parts arrived (the library remembers them).
    std::function<void(bool patches, bool instruments, bool system)> OnRequested;

  private:
    // Runs one transmission behind the progress window; see TransmissionScope.
    void Transmit(int range, bool hourglass, const std::function<void(TTransferProgress&)>& send);

    TfmTamboro& m_main;
    TfmProgress& m_progress;
    bool m_outputLost = false;  // since the current transmission began
};

}  // namespace app
