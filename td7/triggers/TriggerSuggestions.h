#pragma once

// What the trigger check makes of its counts: per fault one suggestion naming the pad, the
// evidence and one parameter of the trigger with its value now and the direction to turn
// it. One step at a time and directions only: how far a step goes on the module is not
// ours to say, so the drummer plays again and looks.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "td7/history/EditHistory.h"
#include "td7/triggers/TriggerCheck.h"

namespace td7 {

class TTd7Collections;
struct TParameter;

// The trigger parameters shown beside a pad, in their order on the window: Treshold, Mask
// Time, Minimum and Maximum Dynamic Range, Minimal Velocity, Velocity Curve, Crosstalk Group.
const std::array<const TParameter*, 7>& CheckedParameters();

// One trigger's record and its values as the controls show them.
struct TTriggerValues {
    int Record = -1;
    std::array<std::int32_t, 7> Values{};  // in CheckedParameters' order
    std::int32_t Of(const TParameter& parameter) const;
};
// Selector entry t of patch p; none for the hi-hat pedal, which has no trigger record.
std::optional<TTriggerValues> TriggerValues(TTd7Collections& dumps, int p, int t);
// Per pad of the check, the values of its trigger; empty for a check of notes.
std::vector<std::optional<TTriggerValues>> PadValues(TTd7Collections& dumps, int p,
                                                     const TPadMap& pads);

struct TSuggestion {
    std::string Text;
    int Pad = -1;
    // The one step Apply makes, and the edit's label; none when the step is not one
    // parameter of a known record.
    std::optional<TParameterEdit> Step;
    std::string Label;
};

// A double trigger is a fault however rare; crosstalk needs a second note of a pair, since a
// drummer's two pads struck together can pass for it once.
inline constexpr int kMinDoubles = 1;
inline constexpr int kMinCrosstalk = 2;
// A pad whose hits reach 127 this often, with at least kHotHits hits, runs hot.
inline constexpr double kHotShare = 0.2;
inline constexpr int kHotHits = 10;
// With at least kSoftHits hits, none below a lowest velocity between kSoftFloor and
// kSoftCeiling and a tenth of them within 8 above it, soft hits are taken as lost.
inline constexpr int kSoftHits = 20;
inline constexpr int kSoftFloor = 10;
inline constexpr int kSoftCeiling = 40;

// values: per pad (may be empty or shorter): without a pad's values the suggestion names
// the parameter without its value and has no step.
std::vector<TSuggestion> Suggest(const TTriggerCheck& check,
                                 const std::vector<std::optional<TTriggerValues>>& values);

}  // namespace td7
