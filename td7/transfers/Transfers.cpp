#include "td7/transfers/Transfers.h"

#include "midilink/DeviceIds.h"
#include "midilink/MidiLink.h"
#include "midilink/Types.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/TransferBusy.h"

namespace td7 {

TTransfers::TTransfers(TTd7Collections& dumps, TPresentFlags& present, midilink::TMidiLink& link,
                       TTransferWait& wait, TTransferTiming timing)
    : m_dumps(dumps), m_present(present), m_link(link), m_wait(wait), m_timing(timing) {
    m_link.Withhold = [this](const std::uint8_t* message, int length) {
        // Every message passes the read-back's count of answers it is owed.
        return m_readBack.TakeLate(message, length) || m_sending;
    };
}

TTransfers::~TTransfers() {
    m_link.Withhold = nullptr;
}

std::string TTransfers::NoAnswerText(const TRecordRef& record) {
    std::string text = "The unit didn't respond to dump request " + RequestBytes(record);
    if (const std::string gone = DeviceState().Gone; !gone.empty()) text += ". " + gone;
    return text;
}

void TTransfers::CheckOutput() const {
    if (const TDeviceState state = DeviceState(); !state.Output) throw TransferError(state.Gone);
}

std::string TTransfers::DeafText() const {
    const TDeviceState state = DeviceState();
    return state.Gone.empty() ? kNoInputText : state.Gone;
}

void TTransfers::HandleMidiInput(bool resolved) {
    if (!resolved) return;
    m_dumpArrived = true;
    ++m_receivedCount;
    if (OnDumpCounted) OnDumpCounted(this, m_receivedCount);
}

bool TTransfers::StatusTick() {
    if (m_dumpArrived) {
        m_dumpArrived = false;
        return false;
    }
    m_receivedCount = 0;
    return true;
}

void TTransfers::RequestAndWait(Block block, int index) {
    const TRecordRef record{block, index};
    const std::string request = RequestCommand(block, index);
    const Clock::time_point start = m_wait.Now();
    // Asked for by the user: the answer belongs in the mirror, also one that a read-back gave
    // up on. Only the record's own answer ends the wait: a dump of another record arriving
    // meanwhile would let the requests run ahead of their answers.
    m_readBack.Expect(record, midilink::GetDeviceId(0));
    m_link.SendCommand(request, 0, midilink::ctRoland);
    // "More than" the time-out: the deadline lies one tick beyond it.
    const Clock::time_point deadline =
        start + m_timing.AnswerTimeout + std::chrono::milliseconds(1);
    while (!m_readBack.Answered(record)) {
        if (m_wait.Now() - start > m_timing.AnswerTimeout) {
            m_readBack.Stop();
            throw TransferError(NoAnswerText(record));
        }
        m_wait.WaitUntil([this, &record] { return m_readBack.Answered(record); }, deadline);
    }
}

void TTransfers::RequestPatchRecords(int p) {
    if (m_fast) {
        RequestFast(PatchRecords(p));
        m_present.SetPatchPresent(p, true);
        if (OnPatchRequested) OnPatchRequested(this, p);
        return;
    }
    RequestAndWait(Block::Prog, p);
    for (int t = 0; t < kTriggersPerPatch; ++t) RequestAndWait(Block::Trigger, TriggerRecord(p, t));
    for (int n = 0; n < kNotesPerPatch; ++n) RequestAndWait(Block::Notemap, NotemapRecord(p, n));
    m_present.SetPatchPresent(p, true);
    if (OnPatchRequested) OnPatchRequested(this, p);
}

void TTransfers::RequestPatch(int p) {
    BusyScope busy(*this);
    RequestPatchRecords(p);
}

void TTransfers::RequestAllPatches() {
    BusyScope busy(*this);
    for (int p = 0; p < kPatchCount; ++p) RequestPatchRecords(p);
}

void TTransfers::RequestInstruments() {
    BusyScope busy(*this);
    if (m_fast)
        RequestFast(InstrumentRecords());
    else
        for (int i = 0; i < kInstrumentCount; ++i) RequestAndWait(Block::Instrument, i);
    m_present.SetInstrumentsPresent(true);
}

void TTransfers::RequestSystem() {
    BusyScope busy(*this);
    if (m_fast)
        RequestFast(SystemRecords());
    else
        RequestAndWait(Block::System, 0);
    m_present.SetSystemPresent(true);
}

bool TTransfers::SendRecord(Block block, int index, TTransferProgress& progress) {
    CheckOutput();
    m_dumps.Of(block).SendRecord(index);
    progress.Step();
    if (progress.CancelRequested()) return false;
    // Without an input there is no answer to wait for: the records still go.
    if (m_timing.ProbeEvery > 0 && ++m_sentSinceProbe >= m_timing.ProbeEvery &&
        DeviceState().Input) {
        m_sentSinceProbe = 0;
        ProbeModule({block, index});
    }
    const Clock::time_point end = m_wait.Now() + m_timing.Pace;
    while (m_wait.Now() < end && !progress.CancelRequested())
        m_wait.WaitUntil([&progress] { return progress.CancelRequested(); }, end);
    return !progress.CancelRequested();
}

bool TTransfers::SendPatchRecords(int p, TTransferProgress& progress) {
    if (!SendRecord(Block::Prog, p, progress)) return false;
    for (int t = 0; t < kTriggersPerPatch; ++t)
        if (!SendRecord(Block::Trigger, TriggerRecord(p, t), progress)) return false;
    for (int n = 0; n < kNotesPerPatch; ++n)
        if (!SendRecord(Block::Notemap, NotemapRecord(p, n), progress)) return false;
    return true;
}

bool TTransfers::TransmitPatch(int p, TTransferProgress& progress) {
    BusyScope busy(*this, true);
    return SendPatchRecords(p, progress);
}

bool TTransfers::TransmitAllPatches(TTransferProgress& progress) {
    bool any = false;
    for (int p = 0; p < kPatchCount && !any; ++p) any = m_present.PatchPresent(p);
    if (!any) throw TransferError("No patches to send");
    BusyScope busy(*this, true);
    for (int p = 0; p < kPatchCount; ++p)
        if (m_present.PatchPresent(p) && !SendPatchRecords(p, progress)) return false;
    return true;
}

bool TTransfers::TransmitInstruments(TTransferProgress& progress) {
    BusyScope busy(*this, true);
    for (int i = 0; i < kInstrumentCount; ++i)
        if (!SendRecord(Block::Instrument, i, progress)) return false;
    return true;
}

void TTransfers::TransmitSystem() {
    BusyScope busy(*this);
    m_dumps.SystemDump.SendCurrent();
}

}  // namespace td7
