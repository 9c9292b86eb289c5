#include "td7/audition/Schedule.h"

#include <algorithm>
#include <cmath>

namespace td7 {

namespace {

constexpr std::int64_t kNsPerMinute = 60'000'000'000;

// Adds a note-on and, where note-offs are heard, its note-off at the gate time or just at
// the next hit of the same note.
void AddHit(std::vector<TNoteEvent>& events, std::chrono::nanoseconds on, int note, int velocity,
            std::chrono::milliseconds gate, std::optional<std::chrono::nanoseconds> next,
            bool noteOffs) {
    events.push_back({on, note, velocity, true});
    if (!noteOffs) return;
    std::chrono::nanoseconds off = on + gate;
    if (next && *next < off) off = *next;
    events.push_back({off, note, 0, false});
}

}  // namespace

bool PlaysBefore(const TNoteEvent& a, const TNoteEvent& b) {
    if (a.Time != b.Time) return a.Time < b.Time;
    return !a.On && b.On;
}

void CheckTempo(const TTempo& tempo) {
    if (tempo.Bpm < kMinBpm || tempo.Bpm > kMaxBpm)
        throw GrooveError("The tempo must be from 40 to 240 BPM");
    if (tempo.Swing < kStraight || tempo.Swing > kMaxSwing)
        throw GrooveError("The swing must be from 50 to 75 percent");
}

std::chrono::nanoseconds StepTime(const TGroove& groove, const TTempo& tempo, long long step) {
    const std::int64_t perMinute = static_cast<std::int64_t>(tempo.Bpm) * groove.StepsPerBeat;
    // Swing delays the second step of each pair within a beat; a beat of odd steps (triplets)
    // has its own feel already.
    const bool swung = groove.StepsPerBeat % 2 == 0 && step % 2 == 1 && tempo.Swing != kStraight;
    if (!swung) return std::chrono::nanoseconds(step * kNsPerMinute / perMinute);
    const std::int64_t pairStart = (step - 1) * kNsPerMinute / perMinute;
    return std::chrono::nanoseconds(pairStart + 2 * kNsPerMinute * tempo.Swing / (100 * perMinute));
}

TGrooveSchedule::TGrooveSchedule(TGroove groove, const TKitNotes& kit, TTempo tempo, long long bars,
                                 bool noteOffs)
    : m_groove(std::move(groove)), m_tempo(tempo), m_bars(bars), m_noteOffs(noteOffs) {
    CheckTempo(tempo);
    for (const TGrooveHit& hit : m_groove.Hits) {
        const std::optional<TRoleNote>& note = kit[static_cast<std::size_t>(hit.What)];
        if (note) m_hits.push_back({hit.Step, note->Note, hit.Velocity, note->Gate, 0});
    }
    const int steps = m_groove.Steps();
    for (TKitHit& hit : m_hits) {
        hit.NextSameNote = steps;
        for (const TKitHit& other : m_hits) {
            if (other.Note != hit.Note) continue;
            const int distance = ((other.Step - hit.Step) % steps + steps) % steps;
            if (distance > 0 && distance < hit.NextSameNote) hit.NextSameNote = distance;
        }
    }
}

std::chrono::nanoseconds TGrooveSchedule::BarStart(long long bar) const {
    return StepTime(m_groove, m_tempo, bar * m_groove.StepsPerBar());
}

std::vector<TNoteEvent> TGrooveSchedule::BarEvents(long long bar) const {
    std::vector<TNoteEvent> events;
    const int perBar = m_groove.StepsPerBar();
    const long long first = (bar % m_groove.Bars) * perBar;
    const long long lastStep = m_bars > 0 ? m_bars * perBar : -1;
    for (const TKitHit& hit : m_hits) {
        if (hit.Step < first || hit.Step >= first + perBar) continue;
        const long long step = bar * perBar + (hit.Step - first);
        const long long next = step + hit.NextSameNote;
        std::optional<std::chrono::nanoseconds> nextTime;
        if (lastStep < 0 || next < lastStep) nextTime = StepTime(m_groove, m_tempo, next);
        AddHit(events, StepTime(m_groove, m_tempo, step), hit.Note, hit.Velocity, hit.Gate,
               nextTime, m_noteOffs);
    }
    std::stable_sort(events.begin(), events.end(), PlaysBefore);
    return events;
}

TVelocityRun::TVelocityRun(TRoleNote note, int low, int high, int count, int bpm, bool noteOffs) {
    CheckTempo({bpm, kStraight});
    if (low < 1 || high > 127 || low > high)
        throw GrooveError("The velocities must be from 1 to 127, the softest first");
    if (count < 2 || count > 127) throw GrooveError("A velocity run has 2 to 127 hits");
    const auto at = [&](int i) { return std::chrono::nanoseconds(i * kNsPerMinute / bpm); };
    for (int i = 0; i < count; ++i) {
        const int velocity =
            low + static_cast<int>(std::lround(static_cast<double>(high - low) * i / (count - 1)));
        AddHit(m_events, at(i), note.Note, velocity, note.Gate,
               i + 1 < count ? std::optional(at(i + 1)) : std::nullopt, noteOffs);
    }
    std::stable_sort(m_events.begin(), m_events.end(), PlaysBefore);
}

std::vector<TNoteEvent> TVelocityRun::BarEvents(long long) const {
    return m_events;
}

TEventList::TEventList(std::vector<TNoteEvent> events) : m_events(std::move(events)) {
    std::stable_sort(m_events.begin(), m_events.end(), PlaysBefore);
}

}  // namespace td7
