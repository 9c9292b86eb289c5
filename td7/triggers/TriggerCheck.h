#pragma once

// The trigger check: every note the pads send while a drummer plays, counted per pad, with
// the notes that look like the triggers' faults rather than the drummer's playing picked
// out: a double trigger (the same pad again within a few tens of milliseconds, clearly
// softer) and crosstalk (another pad within a few milliseconds of a clearly louder hit).
// The counts grow note by note, so that a window can show them while the drummer plays.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace td7 {

class TTd7Collections;

// What a recorded note turned out to be.
enum class THitFlag : std::uint8_t { None, Double, Crosstalk };

struct TCheckedNote {
    double Seconds = 0;  // since the recording started
    int Note = 0;
    int Velocity = 0;
    int Pad = -1;  // -1: no pad of the map plays the note
    THitFlag Flag = THitFlag::None;
    int Source = -1;  // the pad a double or crosstalk note follows
};

// Which pad each note stands for, and the pads' names. A pad is a trigger of the patch
// (selector entries 0..18, named as the trigger list names them, "T2: Snare") or, without
// a patch to go by, a note of its own, named as the note map names it ("38 D 1").
class TPadMap {
  public:
    // The triggers of patch p: a note goes to the first entry, in selector order, that
    // plays it, as a hit selects the trigger.
    static TPadMap OfPatch(TTd7Collections& dumps, int p);
    // Every note 35..93 is a pad of its own.
    static TPadMap ByNotes();

    int PadOf(int note) const;  // -1 when none
    int Count() const { return static_cast<int>(m_names.size()); }
    const std::string& Name(int pad) const { return m_names.at(static_cast<std::size_t>(pad)); }
    // The name without its list prefix ("Snare" of "T2: Snare").
    std::string ShortName(int pad) const;
    // The trigger selector entry of a pad made from a patch; none for a note's pad.
    std::optional<int> Trigger(int pad) const;

  private:
    std::array<int, 128> m_pads{};
    std::vector<std::string> m_names;
    bool m_triggers = false;
};

// The gaps that make two notes a double or crosstalk, in seconds.
struct TCheckWindows {
    double Double = 0.030;
    double Crosstalk = 0.008;
    bool operator==(const TCheckWindows&) const = default;
};

// A double is "clearly" softer than its hit at this share of the hit's velocity or below.
inline constexpr double kClearlySofter = 0.7;
// Crosstalk is weaker still: a drummer's kick and hi-hat struck together are both played,
// the hi-hat a good deal softer than the kick.
inline constexpr double kClearlyLouder = 0.5;

struct TPadCounts {
    int Hits = 0;
    std::array<int, 128> Velocities{};  // hits per velocity
    int Doubles = 0;
    std::vector<double> DoubleGaps;  // seconds after the hit each double followed

    // 16 bins of 8 velocities each: 0..7, 8..15, .. 120..127.
    std::array<int, 16> Histogram() const;
    int Lowest() const;   // 0 without hits
    int Median() const;   // the lower middle velocity; 0 without hits
    int Highest() const;  // 0 without hits
    double ShareAt127() const;  // 0..1
    // The doubles' gaps in whole milliseconds: "12–25", or "13" when all are alike.
    std::string GapsText() const;
};

// Notes on pad `to` within the crosstalk window of a louder note on pad `from`.
struct TCrosstalk {
    int Count = 0;
    int LowestVelocity = 127, HighestVelocity = 0;  // of the notes on `to`
    int LoudestSource = 0;                          // the loudest hit on `from` that caused one
};

class TTriggerCheck {
  public:
    explicit TTriggerCheck(TPadMap pads, TCheckWindows windows = {});

    // Notes come in time order; a note out of order is taken as arriving with the last.
    void Record(double seconds, int note, int velocity);
    // New windows look at the notes recorded so far again.
    void SetWindows(TCheckWindows windows);
    // The patch changed: the notes are kept and counted for the new pads.
    void SetPads(TPadMap pads);
    // Start again: no notes, no counts.
    void Clear();

    const TPadMap& Pads() const { return m_pads; }
    const TCheckWindows& Windows() const { return m_windows; }
    const std::vector<TCheckedNote>& Notes() const { return m_notes; }
    const TPadCounts& Counts(int pad) const { return m_counts.at(static_cast<std::size_t>(pad)); }
    // Pairs (from, to) of pads, in pad order.
    const std::map<std::pair<int, int>, TCrosstalk>& Crosstalk() const { return m_crosstalk; }
    int CrosstalkInto(int pad) const;  // crosstalk notes a pad sent
    int NotesOffPads() const { return m_offPads; }  // notes no pad of the map plays

  private:
    void Count(TCheckedNote& note);
    void Recount();

    TPadMap m_pads;
    TCheckWindows m_windows;
    std::vector<TCheckedNote> m_notes;
    std::vector<TPadCounts> m_counts;
    std::map<std::pair<int, int>, TCrosstalk> m_crosstalk;
    int m_offPads = 0;
    // Per pad, the index in m_notes of its last note that was neither double nor crosstalk:
    // the hit a double follows and crosstalk comes from.
    std::vector<int> m_lastHit;
};

// The flag as the hits file writes it: "", "double" or "crosstalk".
std::string NoteFlagText(THitFlag flag);

}  // namespace td7
