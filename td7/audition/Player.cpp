#include "td7/audition/Player.h"

#include <algorithm>
#include <array>
#include <deque>
#include <exception>

namespace td7 {

namespace {

// More than a groove's bars (four) and a rest between them: a schedule this long silent has
// nothing more to play.
constexpr int kMaxEmptyBars = 64;

}  // namespace

TPlayer::TPlayer(SendFunction send) : m_send(std::move(send)), m_now([] { return Clock::now(); }) {}

TPlayer::~TPlayer() {
    Stop();
}

void TPlayer::Play(std::shared_ptr<const TSchedule> schedule, bool noteOffs,
                   Clock::time_point start) {
    Stop();
    if (start == Clock::time_point{}) start = m_now();
    std::lock_guard lock(m_mutex);
    m_stop = false;
    m_running = true;
    m_failure.clear();
    m_thread = std::thread(&TPlayer::Run, this, std::move(schedule), noteOffs, start);
}

void TPlayer::RequestStop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void TPlayer::Stop() {
    RequestStop();
    if (m_thread.joinable()) m_thread.join();
}

bool TPlayer::Playing() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

void TPlayer::Wait() {
    std::unique_lock lock(m_mutex);
    m_ended.wait(lock, [this] { return !m_running; });
}

std::string TPlayer::Failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

void TPlayer::WaitUntil(Clock::time_point deadline) {
    if (m_wait) {
        m_wait(deadline);
        return;
    }
    std::unique_lock lock(m_mutex);
    m_wake.wait_until(lock, deadline, [this] { return m_stop; });
}

void TPlayer::Run(std::shared_ptr<const TSchedule> schedule, bool noteOffs,
                  Clock::time_point start) {
    // Notes sounding: how many note-ons of each note still wait for their note-off.
    std::array<int, 128> sounding{};
    try {
        std::deque<TNoteEvent> pending;
        long long nextBar = 0;
        const long long bars = schedule->Bars();
        for (;;) {
            // A bar's events are taken in before the first event at or after its start plays,
            // so that a note-off running over into the next bar keeps its place.
            // A loop whose bars hold nothing to play (no role has a note) ends instead of
            // taking in empty bars for ever.
            int emptyBars = 0;
            while ((bars == 0 || nextBar < bars) && emptyBars < kMaxEmptyBars &&
                   (pending.empty() || schedule->BarStart(nextBar) <= pending.front().Time)) {
                std::vector<TNoteEvent> events = schedule->BarEvents(nextBar++);
                emptyBars = events.empty() ? emptyBars + 1 : 0;
                pending.insert(pending.end(), events.begin(), events.end());
                std::stable_sort(pending.begin(), pending.end(), PlaysBefore);
            }
            if (pending.empty()) break;
            const TNoteEvent event = pending.front();
            pending.pop_front();
            WaitUntil(start + std::chrono::duration_cast<Clock::duration>(event.Time));
            {
                std::lock_guard lock(m_mutex);
                if (m_stop) break;
            }
            const auto note = static_cast<std::uint8_t>(event.Note & 0x7F);
            int& count = sounding[note];
            if (event.On) {
                m_send(kNoteOnCh10, note, static_cast<std::uint8_t>(event.Velocity & 0x7F));
                ++count;
            } else {
                m_send(kNoteOffCh10, note, 0x40);
                count = std::max(count - 1, 0);
            }
        }
        if (noteOffs)
            for (int note = 0; note < 128; ++note)
                for (int k = 0; k < sounding[static_cast<std::size_t>(note)]; ++k)
                    m_send(kNoteOffCh10, static_cast<std::uint8_t>(note), 0x40);
    } catch (const std::exception& e) {
        std::lock_guard lock(m_mutex);
        m_failure = e.what();
    }
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
    }
    m_ended.notify_all();
}

}  // namespace td7
