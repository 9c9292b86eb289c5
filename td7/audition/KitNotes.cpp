#include "td7/audition/KitNotes.h"

#include <stdexcept>

#include "td7/map/ParameterTable.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/ShownValue.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"
#include "td7/triggers/PadHits.h"

namespace td7 {

namespace {

// Selector entries: T1 kick 0, T2 snare 2 and its rim 3, T3 hi-hat 4 and its rim (edge) 5,
// toms T4..T7 6, 8, 10, 12, T8 ride 14 and its rim (bell) 15, T9 crash 16, the pedal 18.
constexpr std::array<int, kRoleCount> kRoleTriggers = {0,  2,  3,  4,  5, kHihatPedalEntry, 6, 8,
                                                       10, 12, 14, 15, 16};

// The gate time knobs count tenths of a second.
constexpr int kGateStepMs = 100;

int Shown(midilink::TDumpCollection& dumps, int record, const char* name) {
    return RecordValue(ParameterRow(name), dumps.Records(record).Data());
}

}  // namespace

int TriggerOfRole(Role role) {
    return kRoleTriggers[static_cast<std::size_t>(role)];
}

TKitNotes KitNotesOfPatch(TTd7Collections& dumps, const TPresentFlags& present, int p) {
    TKitNotes kit{};
    if (!present.PatchPresent(p)) return kit;
    for (int r = 0; r < kRoleCount; ++r) {
        const int t = TriggerOfRole(static_cast<Role>(r));
        const int gate = t == kHihatPedalEntry
                             ? Shown(dumps.ProgDump, p, "pxGateTime")
                             : Shown(dumps.TriggerDump, TriggerRecord(p, t), "txGateTime");
        kit[static_cast<std::size_t>(r)] =
            TRoleNote{TriggerNote(dumps, p, t), std::chrono::milliseconds(gate * kGateStepMs)};
    }
    return kit;
}

bool ReceivesNoteOffs(TTd7Collections& dumps, const TPresentFlags& present) {
    if (!present.SystemPresent()) return true;
    return Shown(dumps.SystemDump, 0, "RxNoteOff") != 0;
}

std::vector<std::string> MissingRoles(const TGroove& groove, const TKitNotes& kit) {
    std::array<bool, kRoleCount> used{};
    for (const TGrooveHit& hit : groove.Hits) used[static_cast<std::size_t>(hit.What)] = true;
    std::vector<std::string> missing;
    for (int r = 0; r < kRoleCount; ++r)
        if (used[static_cast<std::size_t>(r)] && !kit[static_cast<std::size_t>(r)])
            missing.emplace_back(RoleName(static_cast<Role>(r)));
    return missing;
}

}  // namespace td7
