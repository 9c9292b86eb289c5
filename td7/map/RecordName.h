#pragma once

// What a record is called wherever the user reads about it (verify's report, info, the refusal
// of damaged records, the library's import faults), in the windows' own words: a trigger by its
// entry of the trigger list, a note-map entry by its line of the note-map list.

#include <string>

#include "td7/map/Td7Map.h"

namespace td7 {

// "system", "patch 3 common", "patch 3 trigger T2: Snare", "patch 3 note 37 C#2",
// "instrument 12": record `index` of the block, patches and instruments counted from 1.
std::string RecordName(Block block, int index);

// The same without the slot, for a patch file or kit whose slot is not its own: "common",
// "trigger T2: Snare", "note 37 C#2"; the other records as RecordName names them.
std::string RecordNameInPatch(Block block, int index);

}  // namespace td7
