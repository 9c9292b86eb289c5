#pragma once

// A groove's roles on a patch: each role is played on one trigger, and the trigger on the
// note the kit plays for it, the note a click on its pad sends. A note-off, where the module
// listens to them, follows after the trigger's gate time, as the module's own pads do.

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "td7/audition/Groove.h"

namespace td7 {

class TPresentFlags;
class TTd7Collections;

struct TRoleNote {
    int Note = 0;
    std::chrono::milliseconds Gate{0};
    bool operator==(const TRoleNote&) const = default;
};

// What each role plays; a role without a note is left out of what is played.
using TKitNotes = std::array<std::optional<TRoleNote>, kRoleCount>;

// The trigger selector entry a role is played on.
int TriggerOfRole(Role role);

// The notes of patch p (0-based) of the mirror: no role has one when the slot is empty.
TKitNotes KitNotesOfPatch(TTd7Collections& dumps, const TPresentFlags& present, int p);

// Whether the module listens to note-offs: the system block's "Note Off Recieve" switch;
// on while the mirror holds no system block, so that nothing is left sounding.
bool ReceivesNoteOffs(TTd7Collections& dumps, const TPresentFlags& present);

// The roles a groove uses that the kit has no note for, by name ("ride-bell"), in role order.
std::vector<std::string> MissingRoles(const TGroove& groove, const TKitNotes& kit);

}  // namespace td7
