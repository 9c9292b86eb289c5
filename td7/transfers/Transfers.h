#pragma once

// Whole-block transfers between the module and the mirror: requests that wait for each
// answer, transmissions at a fixed pace, the received-dump count and the present states.
// Toolkit-free: how to wait (pumping window events, or a test's clock) is handed in.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "td7/map/Td7Map.h"
#include "td7/transfers/PaceController.h"
#include "td7/transfers/ReadBack.h"

namespace midilink {
class TMidiLink;
}

namespace td7 {

class TPresentFlags;
class TTd7Collections;

class TransferError : public std::runtime_error {
  public:
    explicit TransferError(const std::string& text) : std::runtime_error(text) {}
};

// How a transfer passes time. The window's version handles received messages while it
// waits (so answers arrive) without spinning the processor; a test's version may advance
// a clock of its own.
class TTransferWait {
  public:
    using Clock = std::chrono::steady_clock;
    virtual ~TTransferWait() = default;
    virtual Clock::time_point Now() = 0;
    // Handles incoming events until done() holds or Now() reaches the deadline. May return
    // earlier; the caller checks again.
    virtual void WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) = 0;
};

struct TTransferTiming {
    std::chrono::milliseconds AnswerTimeout{1000};  // longest wait for one answer
    std::chrono::milliseconds Pace{100};            // pause after each transmitted record
    // Every ProbeEvery transmitted records the last one is read back, so that a module
    // which stopped answering stops the transmission then, not at its end. 0: never (no
    // input to hear the module on).
    int ProbeEvery = 0;
    // "Fast Transfers": how many requests may wait for their answers at once, and how many
    // records a fast transmission sends before it reads them back.
    int RequestWindow = 2;
    int FastChunk = 16;
};

// The stages of a checked transfer, each with a count of its own.
enum class TTransferPhase : std::uint8_t { Send, Read, Verify };

// What a transmission reports to the progress window.
class TTransferProgress {
  public:
    virtual ~TTransferProgress() = default;
    virtual void Step() = 0;
    virtual bool CancelRequested() const = 0;
    // A new stage of `range` records begins; a plain transmission has only one.
    virtual void BeginPhase(TTransferPhase, int) {}
    // A fast transmission's counts: records sent (again ones too), records verified, and
    // the pause after a record now, in milliseconds.
    virtual void FastCounts(int, int, int) {}
};

// The module's copy of some records compared with the mirror.
struct TComparison {
    std::vector<TRecordRef> Differing;
    std::vector<TRecordRef> Unread;  // left after a cancel or a time-out
    std::string Timeout;             // the time-out text when the module stopped answering
    bool Cancelled = false;
};

// What a verify found: records that still differ after the last round, or that could not
// be read, are failures; nothing is taken as verified unread.
struct TVerifyReport {
    int Checked = 0;
    int Sent = 0;    // of a fast transmission: records sent at least once
    int Resent = 0;  // records sent again, counted in every round
    std::vector<TRecordRef> Failed;
    std::string Timeout;
    bool Cancelled = false;
    bool Ok() const { return Failed.empty() && Timeout.empty() && !Cancelled; }
    // The summary, after the time-out text when there is one.
    std::string Text() const;
};

// What the transfers know of the chosen MIDI devices.
struct TDeviceState {
    bool Input = true;   // an input is open: the module's answers can be heard
    bool Output = true;  // the output has not gone: what is sent reaches the cable
    std::string Gone;    // names the chosen devices that went away, or nothing
};

// Why nothing was read back: no input to hear the module on.
inline constexpr const char* kNoInputText = "No MIDI input is open to hear the module";
// A fast transmission learns its pace from reading back; without an input it sends nothing.
inline constexpr const char* kFastNeedsInputText =
    "Fast Transfers read back what the module took and need a MIDI input. Choose one in "
    "Options > \"Midi Devices...\", or turn Options > \"Fast Transfers\" off";

inline constexpr int kInstrumentProgressRange = kInstrumentCount;
inline constexpr int kPatchProgressRange = kRecordsPerPatch;

class TTransfers {
  public:
    using Clock = TTransferWait::Clock;

    TTransfers(TTd7Collections& dumps, TPresentFlags& present, midilink::TMidiLink& link,
               TTransferWait& wait, TTransferTiming timing = {});
    ~TTransfers();
    TTransfers(const TTransfers&) = delete;
    TTransfers& operator=(const TTransfers&) = delete;

    // The link's OnMidiInput: `resolved` tells whether a record stored the message.
    void HandleMidiInput(bool resolved);
    int ReceivedCount() const { return m_receivedCount; }
    // The status timer's tick: true when no dump arrived since the last tick, in which
    // case the count has gone back to 0 and the status line should be cleared.
    bool StatusTick();

    // One data request; waits until the record's own answer came (a dump of another record
    // arriving meanwhile, or a second copy of an earlier answer, does not end the wait:
    // the requests would run ahead of their answers). TransferError "The unit
    // didn't respond to dump request " + the bytes sent when the time-out passes first,
    // followed by the gone devices' text when that is why.
    void RequestAndWait(Block block, int index);
    // 78 requests; the slot becomes present only when all have answered.
    void RequestPatch(int p);
    void RequestAllPatches();
    void RequestInstruments();
    void RequestSystem();

    // Transmissions send record by record, step the progress and keep the pace. A cancel
    // request stops them after the record being sent; they return false then.
    bool TransmitPatch(int p, TTransferProgress& progress);
    // Every present slot in order; TransferError "No patches to send" when none is.
    bool TransmitAllPatches(TTransferProgress& progress);
    bool TransmitInstruments(TTransferProgress& progress);
    void TransmitSystem();

    // Checks against the module's copy, which is read back one record at a time with the
    // answer time-out. The answers are kept apart from the mirror, which none of these
    // change: the collections are detached from the link while they read.
    //
    // The link's OnSysexIn: offers every received message to a running read-back.
    void CaptureSysex(const std::uint8_t* data, int size);
    // Reads the records back and compares their data bytes with the mirror's, stepping the
    // progress once a record.
    TComparison ReadBack(const std::vector<TRecordRef>& records, TTransferProgress& progress);
    // After a transmission of `sent`: reads them back, sends again those that differ (at
    // most two more rounds) and reports what still differs or was never read.
    TVerifyReport Verify(const std::vector<TRecordRef>& sent, TTransferProgress& progress);
    // Reads the module's copy of the records and sends only those whose data differ;
    // returns them, or nothing when cancelled. The time-out stops it as it stops a request.
    std::optional<std::vector<TRecordRef>> TransmitDifferences(
        const std::vector<TRecordRef>& records, TTransferProgress& progress);
    // The module's copy as the last read-back left it.
    TReadBack& ReadBackCopy() { return m_readBack; }

    // "Fast Transfers": requests keep a window of them waiting for answers at once (each
    // answer found by its address; a request whose answer does not come is asked once more
    // and the window falls back to one), and transmissions go through TransmitFast.
    void SetFast(bool on) { m_fast = on; }
    bool Fast() const { return m_fast; }
    // The pace a fast transmission starts with; after it, the pace it learned.
    TPaceController& Pace() { return m_pace; }
    // Sends the records at the learned pace and reads them back every FastChunk records;
    // what the module dropped is sent again in the following rounds (a record at most
    // kFastSends times), so every record ends verified or named in the report. A cancel
    // names the records not verified yet. Steps the progress once a record sent the
    // first time; time-outs end it as they end a verify. Without an input it sends nothing
    // (TransferError kFastNeedsInputText); an input lost on the way leaves the rest to go
    // at the normal pace, named as not verified.
    TVerifyReport TransmitFast(const std::vector<TRecordRef>& records, TTransferProgress& progress);
    static constexpr int kFastSends = 6;

    // True while a request or a transmission runs; a second one is refused meanwhile.
    bool Busy() const { return m_busy; }

    std::function<void(TTransfers* sender, int count)> OnDumpCounted;
    std::function<void(TTransfers* sender, bool busy)> OnBusyChange;
    // After patch p has been requested completely.
    std::function<void(TTransfers* sender, int p)> OnPatchRequested;
    // Whether the chosen MIDI devices are still there. Asked before each transmitted record
    // (only a vanished output stops a transmission: what the module took without an input
    // is named as not verified), before reading back and when an answer did not come.
    // Unset: both are there.
    std::function<TDeviceState()> Devices;

    const TTransferTiming& Timing() const { return m_timing; }

  private:
    class BusyScope;
    struct WindowResult {
        bool Cancelled = false;
        std::optional<TRecordRef> Missing;  // asked twice, never answered
    };

    // Requests the records keeping up to the window waiting. deviceId >= 0: answers for the
    // mirror, which must carry it; -1: a read-back into the module's copy.
    WindowResult RequestWindowed(const std::vector<TRecordRef>& records, int deviceId,
                                 const TTransferProgress* progress);
    void RequestFast(const std::vector<TRecordRef>& records);
    // One record of a fast transmission and its pause; false when cancelled.
    bool SendPaced(const TRecordRef& record, TTransferProgress& progress,
                   TPaceController::Duration pause);

    void RequestPatchRecords(int p);
    bool SendRecord(Block block, int index, TTransferProgress& progress);
    bool SendPatchRecords(int p, TTransferProgress& progress);
    bool ReadRecord(const TRecordRef& record);
    std::string NoAnswerText(const TRecordRef& record);
    TDeviceState DeviceState() const { return Devices ? Devices() : TDeviceState{}; }
    // TransferError naming the output when it has gone.
    void CheckOutput() const;
    // Why a read-back could not go on: the input gone, or none open.
    std::string DeafText() const;
    void ProbeModule(const TRecordRef& record);
    TComparison ReadBackRecords(const std::vector<TRecordRef>& records,
                                TTransferProgress& progress);

    TTd7Collections& m_dumps;
    TPresentFlags& m_present;
    midilink::TMidiLink& m_link;
    TTransferWait& m_wait;
    TTransferTiming m_timing;

    bool m_dumpArrived = false;
    int m_receivedCount = 0;
    int m_sentSinceProbe = 0;
    bool m_busy = false;
    bool m_sending = false;
    bool m_fast = false;
    TPaceController m_pace;
    TReadBack m_readBack;
};

}  // namespace td7
