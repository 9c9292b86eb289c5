#include "td7/triggers/TriggerSuggestions.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "td7/map/ParameterTable.h"
#include "td7/map/ShownValue.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"

namespace td7 {

namespace {

const TParameter& Treshold() {
    return *CheckedParameters()[0];
}
const TParameter& MaskTime() {
    return *CheckedParameters()[1];
}
const TParameter& MaxDyna() {
    return *CheckedParameters()[3];
}
const TParameter& Crosstalk() {
    return *CheckedParameters()[6];
}

const TTriggerValues* ValuesOf(const std::vector<std::optional<TTriggerValues>>& values, int pad) {
    if (pad < 0 || pad >= static_cast<int>(values.size())) return nullptr;
    const auto& entry = values[static_cast<std::size_t>(pad)];
    return entry ? &*entry : nullptr;
}

// " (now 32ms)" as the parameter's control shows it, or nothing when the value is not known.
std::string Now(const TTriggerValues* values, const TParameter& parameter) {
    return values ? " (now " + ShownValue(parameter, values->Of(parameter)) + ")" : "";
}

// One step of `parameter` up or down, when the pad's values are known and the step stays in
// the parameter's range.
bool Step(TSuggestion& s, const TTriggerValues* values, const TParameter& parameter, int by) {
    if (values == nullptr) return true;
    const std::int32_t next = values->Of(parameter) + by;
    if (next < parameter.Min || next > parameter.Max) return false;
    s.Step = TParameterEdit{&parameter, values->Record, next};
    s.Label = std::string(by > 0 ? "Raise " : "Lower ") + std::string(parameter.Hint);
    return true;
}

void Doubles(const TTriggerCheck& check, const TTriggerValues* values, int pad,
             std::vector<TSuggestion>& out) {
    const TPadCounts& counts = check.Counts(pad);
    if (counts.Doubles < kMinDoubles) return;
    const std::string gaps = counts.GapsText();
    TSuggestion s;
    s.Pad = pad;
    const std::string evidence = check.Pads().Name(pad) + ": " + std::to_string(counts.Doubles) +
                                 (counts.Doubles == 1 ? " double hit " : " double hits ") + gaps +
                                 " ms apart: ";
    // Mask Time at its top leaves the pad's Treshold to keep the rebound out.
    if (Step(s, values, MaskTime(), +1)) {
        s.Text = evidence + "raise Mask Time" + Now(values, MaskTime());
    } else if (Step(s, values, Treshold(), +1)) {
        s.Text = evidence + "raise Treshold" + Now(values, Treshold());
    } else {
        return;
    }
    out.push_back(std::move(s));
}

void CrosstalkInto(const TTriggerCheck& check,
                   const std::vector<std::optional<TTriggerValues>>& values, int pad,
                   std::vector<TSuggestion>& out) {
    const TTriggerValues* own = ValuesOf(values, pad);
    for (const auto& [pair, crosstalk] : check.Crosstalk()) {
        if (pair.second != pad || crosstalk.Count < kMinCrosstalk) continue;
        const TTriggerValues* source = ValuesOf(values, pair.first);
        const TPadMap& pads = check.Pads();
        TSuggestion s;
        s.Pad = pad;
        std::string text = pads.Name(pad) + " fires when " + pads.Name(pair.first) + " is hit (" +
                           std::to_string(crosstalk.Count) + " times, velocity at most " +
                           std::to_string(crosstalk.HighestVelocity) + "): ";
        const bool shareGroup = own && source && own->Of(Crosstalk()) != 0 &&
                                own->Of(Crosstalk()) == source->Of(Crosstalk());
        const std::string raise =
            "raise " + pads.ShortName(pad) + "'s Treshold" + Now(own, Treshold());
        if (Step(s, own, Treshold(), +1)) {
            if (s.Step) s.Label = "Raise " + pads.ShortName(pad) + "'s Treshold";
            text += shareGroup ? raise : raise + " or put both in one Crosstalk Group";
        } else if (!shareGroup) {
            // Treshold at its top: the group is what is left. Joining the source's group is
            // one parameter; when the source has none, the drummer picks a group for both.
            text += "put both in one Crosstalk Group";
            if (source && source->Of(Crosstalk()) != 0) {
                s.Step = TParameterEdit{&Crosstalk(), own->Record, source->Of(Crosstalk())};
                s.Label = "Put " + pads.ShortName(pad) + " in " + pads.ShortName(pair.first) +
                          "'s Crosstalk Group";
            }
        } else {
            continue;
        }
        s.Text = std::move(text);
        out.push_back(std::move(s));
    }
}

void Hot(const TTriggerCheck& check, const TTriggerValues* values, int pad,
         std::vector<TSuggestion>& out) {
    const TPadCounts& counts = check.Counts(pad);
    if (counts.Hits < kHotHits || counts.ShareAt127() < kHotShare) return;
    TSuggestion s;
    s.Pad = pad;
    if (!Step(s, values, MaxDyna(), +1)) return;
    s.Text = check.Pads().Name(pad) + " reaches 127 in " +
             std::to_string(std::lround(counts.ShareAt127() * 100)) +
             "% of hits: raise Maximum Dynamic Range" + Now(values, MaxDyna());
    out.push_back(std::move(s));
}

void Soft(const TTriggerCheck& check, const TTriggerValues* values, int pad,
          std::vector<TSuggestion>& out) {
    const TPadCounts& counts = check.Counts(pad);
    // Lost soft hits cut the velocities off sharply at the bottom, where a pad simply
    // played hard thins out. A pad that runs hot, or fires on its own, is seen to first:
    // a lower Treshold would make that worse.
    const int lowest = counts.Lowest();
    if (counts.Hits < kSoftHits || lowest < kSoftFloor || lowest > kSoftCeiling ||
        counts.ShareAt127() >= kHotShare || counts.Doubles >= kMinDoubles ||
        check.CrosstalkInto(pad) >= kMinCrosstalk)
        return;
    int nearLowest = 0;
    for (int v = lowest; v < std::min(lowest + 8, 128); ++v)
        nearLowest += counts.Velocities[static_cast<std::size_t>(v)];
    if (nearLowest * 10 < counts.Hits) return;
    TSuggestion s;
    s.Pad = pad;
    if (!Step(s, values, Treshold(), -1)) return;
    s.Text = "soft hits below " + std::to_string(counts.Lowest()) + " never arrive on " +
             check.Pads().Name(pad) + ": lower Treshold" + Now(values, Treshold());
    out.push_back(std::move(s));
}

}  // namespace

const std::array<const TParameter*, 7>& CheckedParameters() {
    static const std::array<const TParameter*, 7> rows = {
        &ParameterRow("txTreshold"), &ParameterRow("txMaskTime"), &ParameterRow("txMinDyna"),
        &ParameterRow("txMaxDyna"),  &ParameterRow("txMinVelo"),  &ParameterRow("txVelCurve"),
        &ParameterRow("txCrosstalk")};
    return rows;
}

std::int32_t TTriggerValues::Of(const TParameter& parameter) const {
    const auto& rows = CheckedParameters();
    const auto at = std::find(rows.begin(), rows.end(), &parameter);
    if (at == rows.end()) throw std::logic_error("Not a checked parameter");
    return Values[static_cast<std::size_t>(at - rows.begin())];
}

std::optional<TTriggerValues> TriggerValues(TTd7Collections& dumps, int p, int t) {
    if (t < 0 || t >= kTriggersPerPatch) return std::nullopt;
    TTriggerValues values;
    values.Record = TriggerRecord(p, t);
    const std::uint8_t* record = dumps.TriggerDump.Records(values.Record).Data();
    for (std::size_t k = 0; k < CheckedParameters().size(); ++k)
        values.Values[k] = RecordValue(*CheckedParameters()[k], record);
    return values;
}

std::vector<std::optional<TTriggerValues>> PadValues(TTd7Collections& dumps, int p,
                                                     const TPadMap& pads) {
    std::vector<std::optional<TTriggerValues>> values;
    for (int pad = 0; pad < pads.Count(); ++pad) {
        const std::optional<int> t = pads.Trigger(pad);
        values.push_back(t ? TriggerValues(dumps, p, *t) : std::nullopt);
    }
    return values;
}

std::vector<TSuggestion> Suggest(const TTriggerCheck& check,
                                 const std::vector<std::optional<TTriggerValues>>& values) {
    std::vector<TSuggestion> out;
    for (int pad = 0; pad < check.Pads().Count(); ++pad) {
        const TTriggerValues* own = ValuesOf(values, pad);
        Doubles(check, own, pad, out);
        CrosstalkInto(check, values, pad, out);
        Hot(check, own, pad, out);
        Soft(check, own, pad, out);
    }
    return out;
}

}  // namespace td7
