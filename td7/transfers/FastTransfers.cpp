// "Fast Transfers" of TTransfers: requests with a window of answers on their way, and
// transmissions that learn the module's pace and send again what it dropped.

#include <algorithm>
#include <deque>

#include "midilink/DeviceIds.h"
#include "midilink/MidiLink.h"
#include "midilink/Types.h"
#include "td7/map/DetachedCollections.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/TransferBusy.h"
#include "td7/transfers/Transfers.h"

namespace td7 {

namespace {

struct Outstanding {
    std::size_t At;  // in the records requested
    TTransferWait::Clock::time_point SentAt;
    int Asks;
    std::uint64_t Sequence;  // of its last asking: the module answers in that order
};

}  // namespace

TTransfers::WindowResult TTransfers::RequestWindowed(const std::vector<TRecordRef>& records,
                                                     int deviceId,
                                                     const TTransferProgress* progress) {
    WindowResult result;
    std::deque<Outstanding> waiting;
    std::size_t next = 0;
    std::uint64_t sequence = 0;
    std::size_t window = static_cast<std::size_t>(std::max(1, m_timing.RequestWindow));
    const auto ask = [&](std::size_t at) {
        m_readBack.Expect(records[at], deviceId);
        m_link.SendCommand(RequestCommand(records[at].Kind, records[at].Index), 0,
                           midilink::ctRoland);
    };
    // A later request answered before the front one: the module answers in order, so the
    // front one's request or answer was lost.
    const auto overtaken = [&] {
        const Outstanding& front = waiting.front();
        return std::any_of(waiting.begin() + 1, waiting.end(), [&](const Outstanding& o) {
            return o.Sequence > front.Sequence && m_readBack.Answered(records[o.At]);
        });
    };
    while (next < records.size() || !waiting.empty()) {
        while (!waiting.empty() && m_readBack.Answered(records[waiting.front().At]))
            waiting.pop_front();
        while (waiting.size() < window && next < records.size()) {
            if (progress != nullptr && progress->CancelRequested()) {
                result.Cancelled = true;
                break;
            }
            ask(next);
            waiting.push_back({next, m_wait.Now(), 1, ++sequence});
            ++next;
        }
        if (result.Cancelled) break;
        if (waiting.empty()) continue;
        Outstanding& front = waiting.front();
        const bool late = m_wait.Now() - front.SentAt > m_timing.AnswerTimeout;
        if (late || (front.Asks == 1 && overtaken())) {
            if (front.Asks > 1) {
                result.Missing = records[front.At];
                break;
            }
            // Whatever the module lost, it keeps less than the window hoped for.
            window = 1;
            ask(front.At);
            front.SentAt = m_wait.Now();
            front.Asks = 2;
            front.Sequence = ++sequence;
            continue;
        }
        const auto deadline = front.SentAt + m_timing.AnswerTimeout + std::chrono::milliseconds(1);
        m_wait.WaitUntil(
            [&] {
                return m_readBack.Answered(records[waiting.front().At]) ||
                       (waiting.front().Asks == 1 && overtaken()) ||
                       (progress != nullptr && progress->CancelRequested());
            },
            deadline);
        if (progress != nullptr && progress->CancelRequested()) {
            result.Cancelled = true;
            break;
        }
    }
    if (result.Cancelled || result.Missing) {
        // A read-back's late answers are kept from the mirror (they are counted); a
        // request's belong there.
        m_readBack.Stop();
    }
    return result;
}

void TTransfers::RequestFast(const std::vector<TRecordRef>& records) {
    const WindowResult result = RequestWindowed(records, midilink::GetDeviceId(0), nullptr);
    if (result.Missing) throw TransferError(NoAnswerText(*result.Missing));
}

bool TTransfers::SendPaced(const TRecordRef& record, TTransferProgress& progress,
                           TPaceController::Duration pause) {
    CheckOutput();
    m_dumps.Of(record.Kind).SendRecord(record.Index);
    const Clock::time_point end = m_wait.Now() + std::chrono::duration_cast<Clock::duration>(pause);
    while (m_wait.Now() < end && !progress.CancelRequested())
        m_wait.WaitUntil([&progress] { return progress.CancelRequested(); }, end);
    return !progress.CancelRequested();
}

TVerifyReport TTransfers::TransmitFast(const std::vector<TRecordRef>& records,
                                       TTransferProgress& progress) {
    BusyScope busy(*this, true);
    // The pace is learned by reading back: without an input nothing would tell it.
    if (!records.empty() && !DeviceState().Input) throw TransferError(kFastNeedsInputText);
    TVerifyReport report;
    report.Checked = static_cast<int>(records.size());
    struct Queued {
        TRecordRef Record;
        int Sends;
    };
    progress.BeginPhase(TTransferPhase::Send, report.Checked);
    std::deque<Queued> queue;
    for (const TRecordRef& record : records) queue.push_back({record, 0});
    int sent = 0;
    int verified = 0;
    int paceBytes = records.empty() ? 0 : InfoOf(records.front().Kind).Size;
    // An input lost on the way: the rest goes at the normal pace, unread.
    bool deaf = false;
    const auto counts = [&] { progress.FastCounts(sent, verified, m_pace.PaceMs(paceBytes)); };
    // Whatever is left unverified when the transmission stops is named.
    const auto giveUp = [&](const std::vector<Queued>& chunk) {
        for (const Queued& q : chunk) report.Failed.push_back(q.Record);
        for (const Queued& q : queue) report.Failed.push_back(q.Record);
        queue.clear();
    };
    const auto unread = [&](const std::vector<Queued>& chunk) {
        for (const Queued& q : chunk) report.Failed.push_back(q.Record);
        if (!deaf) report.Timeout = DeafText();
        deaf = true;
    };
    while (!queue.empty()) {
        std::vector<Queued> chunk;
        while (!queue.empty() &&
               chunk.size() < static_cast<std::size_t>(std::max(1, m_timing.FastChunk))) {
            chunk.push_back(queue.front());
            queue.pop_front();
        }
        for (std::size_t k = 0; k < chunk.size() && !report.Cancelled; ++k) {
            Queued& q = chunk[k];
            if (progress.CancelRequested()) {
                report.Cancelled = true;
                break;
            }
            paceBytes = InfoOf(q.Record.Kind).Size;
            const auto pause =
                deaf ? std::chrono::duration_cast<TPaceController::Duration>(m_timing.Pace)
                     : m_pace.Pause(paceBytes);
            const bool complete = SendPaced(q.Record, progress, pause);
            if (q.Sends++ == 0) {
                progress.Step();
                ++report.Sent;
            }
            ++sent;
            counts();
            if (!complete) report.Cancelled = true;
        }
        if (report.Cancelled) {
            giveUp(chunk);
            break;
        }
        if (deaf || !DeviceState().Input) {
            unread(chunk);
            continue;
        }
        std::vector<TRecordRef> sentNow;
        for (const Queued& q : chunk) sentNow.push_back(q.Record);
        WindowResult read;
        {
            DetachedCollections detached(m_link);
            read = RequestWindowed(sentNow, -1, &progress);
        }
        if (read.Missing && !DeviceState().Input) {
            unread(chunk);
            continue;
        }
        if (read.Cancelled || read.Missing) {
            report.Cancelled = read.Cancelled;
            if (read.Missing) report.Timeout = NoAnswerText(*read.Missing);
            giveUp(chunk);
            break;
        }
        int dropped = 0;
        for (auto q = chunk.begin(); q != chunk.end(); ++q) {
            if (m_readBack.SameAsMirror(m_dumps, q->Record)) {
                ++verified;
                continue;
            }
            ++dropped;
            if (q->Sends >= kFastSends) {
                report.Failed.push_back(q->Record);
            } else {
                // At the end: a module deaf for a while would take every try of the
                // records sent again at once.
                queue.push_back(*q);
                ++report.Resent;
            }
        }
        m_pace.Checked(static_cast<int>(chunk.size()), dropped);
        counts();
    }
    // Named in sending order, however the rounds took them apart.
    std::vector<TRecordRef> failed;
    for (const TRecordRef& record : records)
        if (std::find(report.Failed.begin(), report.Failed.end(), record) != report.Failed.end())
            failed.push_back(record);
    report.Failed = std::move(failed);
    return report;
}

}  // namespace td7
