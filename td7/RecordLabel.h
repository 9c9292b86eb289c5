#pragma once

// What a record is called where the user reads about it: the trigger by its selector text as
// the patch window shows it, the note-map entry by its MIDI note.

#include <string>

#include "td7/Td7Map.h"

namespace td7 {

// "patch 3 common", "patch 3 trigger T2: Snare", "patch 3 note 35", "instrument 1",
// "system": record `index` of the block, with patches and instruments counted from 1.
std::string RecordLabel(Block block, int index);

}  // namespace td7
