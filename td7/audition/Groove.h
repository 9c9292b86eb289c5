#pragma once

// A groove: a pattern of one to four bars, kept as a readable text file (one per groove) so
// that more can be added without code. Each line after the header gives one role's steps:
//
//   name: Rock
//   bars: 1
//   beats: 4
//   steps-per-beat: 2
//   hihat-closed: 90 .  70 .  90 .  70 .
//   snare:        .  .  110 . .  .  110 .
//   kick:         110 . .  .  100 . .  .
//
// A step is a velocity 1..127 or "." for none; "|" between steps is only for the eye.
// Blank lines and lines starting with "#" are skipped.

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace td7 {

// What a groove's steps are played on; each becomes a trigger of the current patch.
enum class Role {
    Kick,
    Snare,
    SnareRim,
    HihatClosed,
    HihatOpen,
    HihatPedal,
    Tom1,
    Tom2,
    Tom3,
    Tom4,
    Ride,
    RideBell,
    Crash,
};
inline constexpr int kRoleCount = 13;

// The role's name in a groove file ("hihat-closed").
std::string_view RoleName(Role role);
std::optional<Role> RoleOfName(std::string_view name);

class GrooveError : public std::runtime_error {
  public:
    explicit GrooveError(const std::string& text) : std::runtime_error(text) {}
};

struct TGrooveHit {
    int Step = 0;  // from the groove's start
    Role What = Role::Kick;
    int Velocity = 0;
    bool operator==(const TGrooveHit&) const = default;
};

struct TGroove {
    static constexpr int kMaxBars = 4;
    static constexpr int kMaxBeats = 12;
    static constexpr int kMaxStepsPerBeat = 8;

    std::string Id;    // the file's name without ".groove": what --groove takes
    std::string Name;  // what a list shows
    int Bars = 1;
    int Beats = 4;
    int StepsPerBeat = 4;
    std::vector<TGrooveHit> Hits;  // by step, then by role

    int StepsPerBar() const { return Beats * StepsPerBeat; }
    int Steps() const { return Bars * StepsPerBar(); }
};

// Reads a groove from its text. GrooveError "<source>:<line>: <what>" on the first fault,
// where source names the file; a fault of the whole text has line 0 left out.
TGroove ParseGroove(std::string_view text, const std::string& source, std::string id);

}  // namespace td7
