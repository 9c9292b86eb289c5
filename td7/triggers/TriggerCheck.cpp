#include "td7/triggers/TriggerCheck.h"

#include <algorithm>
#include <cmath>

#include "td7/triggers/PadHits.h"
#include "td7/map/Td7Decode.h"
#include "td7/map/Td7Map.h"

namespace td7 {

TPadMap TPadMap::OfPatch(TTd7Collections& dumps, int p) {
    TPadMap map;
    map.m_pads.fill(-1);
    map.m_triggers = true;
    for (int t = 0; t < kTriggerSelectorEntries; ++t) {
        map.m_names.emplace_back(TriggerTable()[static_cast<std::size_t>(t)].SelectorText);
        const int note = TriggerNote(dumps, p, t);
        // The first entry that plays a note takes it, as a hit selects it.
        if (note >= 0 && note < 128 && map.m_pads[static_cast<std::size_t>(note)] < 0)
            map.m_pads[static_cast<std::size_t>(note)] = t;
    }
    return map;
}

TPadMap TPadMap::ByNotes() {
    TPadMap map;
    map.m_pads.fill(-1);
    for (int n = 0; n < kNotesPerPatch; ++n) {
        map.m_pads[static_cast<std::size_t>(kFirstNote + n)] = n;
        map.m_names.push_back(NoteLabel(n));
    }
    return map;
}

int TPadMap::PadOf(int note) const {
    if (note < 0 || note >= 128) return -1;
    return m_pads[static_cast<std::size_t>(note)];
}

std::string TPadMap::ShortName(int pad) const {
    const std::string& name = Name(pad);
    const std::size_t colon = name.find(": ");
    return m_triggers && colon != std::string::npos ? name.substr(colon + 2) : name;
}

std::optional<int> TPadMap::Trigger(int pad) const {
    if (!m_triggers || pad < 0 || pad >= Count()) return std::nullopt;
    return pad;
}

std::array<int, 16> TPadCounts::Histogram() const {
    std::array<int, 16> bins{};
    for (std::size_t v = 0; v < Velocities.size(); ++v) bins[v / 8] += Velocities[v];
    return bins;
}

int TPadCounts::Lowest() const {
    for (int v = 0; v < 128; ++v)
        if (Velocities[static_cast<std::size_t>(v)] != 0) return v;
    return 0;
}

int TPadCounts::Highest() const {
    for (int v = 127; v >= 0; --v)
        if (Velocities[static_cast<std::size_t>(v)] != 0) return v;
    return 0;
}

int TPadCounts::Median() const {
    if (Hits == 0) return 0;
    const int middle = (Hits + 1) / 2;
    int seen = 0;
    for (int v = 0; v < 128; ++v) {
        seen += Velocities[static_cast<std::size_t>(v)];
        if (seen >= middle) return v;
    }
    return 0;
}

std::string TPadCounts::GapsText() const {
    if (DoubleGaps.empty()) return {};
    const auto [low, high] = std::minmax_element(DoubleGaps.begin(), DoubleGaps.end());
    const long from = std::lround(*low * 1000), to = std::lround(*high * 1000);
    return from == to ? std::to_string(from)
                      : std::to_string(from) + "\u2013" + std::to_string(to);
}

double TPadCounts::ShareAt127() const {
    return Hits == 0 ? 0.0 : static_cast<double>(Velocities[127]) / Hits;
}

TTriggerCheck::TTriggerCheck(TPadMap pads, TCheckWindows windows)
    : m_pads(std::move(pads)), m_windows(windows) {
    Recount();
}

void TTriggerCheck::Record(double seconds, int note, int velocity) {
    if (!m_notes.empty()) seconds = std::max(seconds, m_notes.back().Seconds);
    m_notes.push_back({seconds, note, std::clamp(velocity, 0, 127)});
    Count(m_notes.back());
}

void TTriggerCheck::SetWindows(TCheckWindows windows) {
    m_windows = windows;
    Recount();
}

void TTriggerCheck::SetPads(TPadMap pads) {
    m_pads = std::move(pads);
    Recount();
}

void TTriggerCheck::Clear() {
    m_notes.clear();
    Recount();
}

int TTriggerCheck::CrosstalkInto(int pad) const {
    int count = 0;
    for (const auto& [pair, crosstalk] : m_crosstalk)
        if (pair.second == pad) count += crosstalk.Count;
    return count;
}

void TTriggerCheck::Recount() {
    m_counts.assign(static_cast<std::size_t>(m_pads.Count()), {});
    m_lastHit.assign(static_cast<std::size_t>(m_pads.Count()), -1);
    m_crosstalk.clear();
    m_offPads = 0;
    for (TCheckedNote& note : m_notes) Count(note);
}

void TTriggerCheck::Count(TCheckedNote& note) {
    note.Pad = m_pads.PadOf(note.Note);
    note.Flag = THitFlag::None;
    note.Source = -1;
    if (note.Pad < 0) {
        ++m_offPads;
        return;
    }
    const auto clearlySofter = [](int soft, int loud) { return soft <= kClearlySofter * loud; };
    const auto clearlyLouder = [](int loud, int soft) { return soft <= kClearlyLouder * loud; };
    TPadCounts& counts = m_counts[static_cast<std::size_t>(note.Pad)];
    ++counts.Hits;
    ++counts.Velocities[static_cast<std::size_t>(note.Velocity)];

    // A double: the pad's own hit a moment ago, clearly louder.
    const int own = m_lastHit[static_cast<std::size_t>(note.Pad)];
    if (own >= 0) {
        const TCheckedNote& hit = m_notes[static_cast<std::size_t>(own)];
        const double gap = note.Seconds - hit.Seconds;
        if (gap <= m_windows.Double && clearlySofter(note.Velocity, hit.Velocity)) {
            note.Flag = THitFlag::Double;
            note.Source = note.Pad;
            ++counts.Doubles;
            counts.DoubleGaps.push_back(gap);
            return;
        }
    }
    // Crosstalk: the loudest hit on another pad within the window, clearly louder.
    int source = -1;
    int loudest = 0;
    for (int pad = 0; pad < m_pads.Count(); ++pad) {
        const int index = m_lastHit[static_cast<std::size_t>(pad)];
        if (pad == note.Pad || index < 0) continue;
        const TCheckedNote& hit = m_notes[static_cast<std::size_t>(index)];
        if (note.Seconds - hit.Seconds <= m_windows.Crosstalk &&
            clearlyLouder(hit.Velocity, note.Velocity) && hit.Velocity > loudest) {
            source = pad;
            loudest = hit.Velocity;
        }
    }
    if (source >= 0) {
        note.Flag = THitFlag::Crosstalk;
        note.Source = source;
        TCrosstalk& pair = m_crosstalk[{source, note.Pad}];
        ++pair.Count;
        pair.LowestVelocity = std::min(pair.LowestVelocity, note.Velocity);
        pair.HighestVelocity = std::max(pair.HighestVelocity, note.Velocity);
        pair.LoudestSource = std::max(pair.LoudestSource, loudest);
        return;
    }
    m_lastHit[static_cast<std::size_t>(note.Pad)] =
        static_cast<int>(&note - m_notes.data());
}

std::string NoteFlagText(THitFlag flag) {
    switch (flag) {
        case THitFlag::Double:
            return "double";
        case THitFlag::Crosstalk:
            return "crosstalk";
        case THitFlag::None:
            break;
    }
    return {};
}

}  // namespace td7
