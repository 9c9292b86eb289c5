// The checked transfers of TTransfers: read-back, verify and "send only what differs".

#include "midilink/DumpCollection.h"
#include "midilink/MidiLink.h"
#include "midilink/Types.h"
#include "td7/map/DetachedCollections.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/TransferBusy.h"
#include "td7/transfers/Transfers.h"

namespace td7 {

namespace {

// The re-send rounds of a verify: cancel as the caller's progress says, but the count
// stays that of the records checked.
class QuietProgress : public TTransferProgress {
  public:
    explicit QuietProgress(TTransferProgress& progress) : m_progress(progress) {}
    void Step() override {}
    bool CancelRequested() const override { return m_progress.CancelRequested(); }

  private:
    TTransferProgress& m_progress;
};

class NoProgress : public TTransferProgress {
  public:
    void Step() override {}
    bool CancelRequested() const override { return false; }
};

constexpr int kResendRounds = 2;

}  // namespace

std::string TVerifyReport::Text() const {
    const std::string summary = VerifySummary(Checked, Failed);
    return Timeout.empty() ? summary : Timeout + "\n" + summary;
}

void TTransfers::CaptureSysex(const std::uint8_t* data, int size) {
    m_readBack.Offer(data, size);
}

bool TTransfers::ReadRecord(const TRecordRef& record) {
    const std::string request = RequestCommand(record.Kind, record.Index);
    const Clock::time_point start = m_wait.Now();
    m_readBack.Expect(record);
    m_link.SendCommand(request, 0, midilink::ctRoland);
    const Clock::time_point deadline =
        start + m_timing.AnswerTimeout + std::chrono::milliseconds(1);
    while (!m_readBack.Answered(record)) {
        if (m_wait.Now() - start > m_timing.AnswerTimeout) {
            m_readBack.Stop();
            return false;
        }
        m_wait.WaitUntil([this, &record] { return m_readBack.Answered(record); }, deadline);
    }
    return true;
}

TComparison TTransfers::ReadBackRecords(const std::vector<TRecordRef>& records,
                                        TTransferProgress& progress) {
    TComparison result;
    DetachedCollections detached(m_link);
    for (std::size_t k = 0; k < records.size(); ++k) {
        const TRecordRef& record = records[k];
        if (progress.CancelRequested()) {
            result.Cancelled = true;
        } else if (!DeviceState().Input) {
            result.Timeout = DeafText();
        } else if (!ReadRecord(record)) {
            result.Timeout = NoAnswerText(record);
        }
        if (result.Cancelled || !result.Timeout.empty()) {
            result.Unread.assign(records.begin() + static_cast<std::ptrdiff_t>(k), records.end());
            break;
        }
        if (!m_readBack.SameAsMirror(m_dumps, record)) result.Differing.push_back(record);
        progress.Step();
    }
    return result;
}

void TTransfers::ProbeModule(const TRecordRef& record) {
    NoProgress none;
    const TComparison check = ReadBackRecords({record}, none);
    if (!check.Timeout.empty()) throw TransferError(check.Timeout);
}

TComparison TTransfers::ReadBack(const std::vector<TRecordRef>& records,
                                 TTransferProgress& progress) {
    BusyScope busy(*this, true);
    return ReadBackRecords(records, progress);
}

TVerifyReport TTransfers::Verify(const std::vector<TRecordRef>& sent, TTransferProgress& progress) {
    BusyScope busy(*this, true);
    TVerifyReport report;
    report.Checked = static_cast<int>(sent.size());
    progress.BeginPhase(TTransferPhase::Verify, report.Checked);
    TComparison check = ReadBackRecords(sent, progress);
    std::vector<TRecordRef> unread = check.Unread;
    QuietProgress quiet(progress);
    for (int round = 0; round < kResendRounds && !check.Differing.empty() &&
                        check.Timeout.empty() && !check.Cancelled;
         ++round) {
        bool complete = true;
        for (const TRecordRef& record : check.Differing) {
            if (!(complete = SendRecord(record.Kind, record.Index, quiet))) break;
            ++report.Resent;
        }
        if (!complete) {
            check.Cancelled = true;
            break;
        }
        TComparison again = ReadBackRecords(check.Differing, quiet);
        unread.insert(unread.end(), again.Unread.begin(), again.Unread.end());
        check.Differing = std::move(again.Differing);
        check.Timeout = std::move(again.Timeout);
        check.Cancelled = again.Cancelled;
    }
    report.Failed = std::move(check.Differing);
    report.Failed.insert(report.Failed.end(), unread.begin(), unread.end());
    report.Timeout = std::move(check.Timeout);
    report.Cancelled = check.Cancelled;
    return report;
}

std::optional<std::vector<TRecordRef>> TTransfers::TransmitDifferences(
    const std::vector<TRecordRef>& records, TTransferProgress& progress) {
    BusyScope busy(*this, true);
    progress.BeginPhase(TTransferPhase::Read, static_cast<int>(records.size()));
    TComparison check = ReadBackRecords(records, progress);
    if (!check.Timeout.empty()) throw TransferError(check.Timeout);
    if (check.Cancelled) return std::nullopt;
    progress.BeginPhase(TTransferPhase::Send, static_cast<int>(check.Differing.size()));
    for (const TRecordRef& record : check.Differing)
        if (!SendRecord(record.Kind, record.Index, progress)) return std::nullopt;
    return std::move(check.Differing);
}

}  // namespace td7
