#pragma once

// When each note of a groove or a velocity run is played: times counted from the start, each
// computed from its step's number (never by adding up step lengths), so that a long run does
// not drift. A note-on may be followed by its note-off: after the trigger's gate time, or just
// before the note's next hit, whichever comes first.

#include <chrono>
#include <cstdint>
#include <vector>

#include "td7/audition/Groove.h"
#include "td7/audition/KitNotes.h"

namespace td7 {

inline constexpr int kMinBpm = 40;
inline constexpr int kMaxBpm = 240;
// Swing: where the second of each pair of steps falls, in percent of the pair: 50 is
// straight, 66 a triplet feel, 75 a dotted one.
inline constexpr int kStraight = 50;
inline constexpr int kMaxSwing = 75;

struct TNoteEvent {
    std::chrono::nanoseconds Time{0};  // from the start
    int Note = 0;
    int Velocity = 0;  // 0 for a note-off
    bool On = true;
    bool operator==(const TNoteEvent&) const = default;
};

// Earlier first; at the same time a note-off before a note-on, so that a note struck again
// is released first.
bool PlaysBefore(const TNoteEvent& a, const TNoteEvent& b);

struct TTempo {
    int Bpm = 120;
    int Swing = kStraight;
};

// GrooveError naming the range when the tempo or the swing is outside it.
void CheckTempo(const TTempo& tempo);

// What a player plays, a bar at a time; a bar's note-offs may fall after the next bar begins.
class TSchedule {
  public:
    virtual ~TSchedule() = default;
    // How many bars; 0 for a loop that ends only when stopped.
    virtual long long Bars() const = 0;
    virtual std::chrono::nanoseconds BarStart(long long bar) const = 0;
    // The bar's note-ons and their note-offs, in playing order.
    virtual std::vector<TNoteEvent> BarEvents(long long bar) const = 0;
};

// The time of step `step` of a groove played from its start, its bars repeated.
std::chrono::nanoseconds StepTime(const TGroove& groove, const TTempo& tempo, long long step);

class TGrooveSchedule : public TSchedule {
  public:
    // bars 0: a loop. Roles the kit has no note for are left out.
    TGrooveSchedule(TGroove groove, const TKitNotes& kit, TTempo tempo, long long bars,
                    bool noteOffs);
    long long Bars() const override { return m_bars; }
    std::chrono::nanoseconds BarStart(long long bar) const override;
    std::vector<TNoteEvent> BarEvents(long long bar) const override;

  private:
    struct TKitHit {
        int Step;
        int Note;
        int Velocity;
        std::chrono::milliseconds Gate;
        int NextSameNote;  // steps to the note's next hit, the groove taken round
    };
    TGroove m_groove;
    TTempo m_tempo;
    long long m_bars;
    bool m_noteOffs;
    std::vector<TKitHit> m_hits;
};

// `count` hits of one note a beat apart, their velocities evenly from `low` to `high`.
class TVelocityRun : public TSchedule {
  public:
    static constexpr int kDefaultCount = 8;
    TVelocityRun(TRoleNote note, int low, int high, int count, int bpm, bool noteOffs);
    long long Bars() const override { return 1; }
    std::chrono::nanoseconds BarStart(long long) const override { return {}; }
    std::vector<TNoteEvent> BarEvents(long long bar) const override;

  private:
    std::vector<TNoteEvent> m_events;
};

// A fixed list of events played once (a MIDI file's notes).
class TEventList : public TSchedule {
  public:
    explicit TEventList(std::vector<TNoteEvent> events);
    long long Bars() const override { return 1; }
    std::chrono::nanoseconds BarStart(long long) const override { return {}; }
    std::vector<TNoteEvent> BarEvents(long long) const override { return m_events; }

  private:
    std::vector<TNoteEvent> m_events;
};

}  // namespace td7
