#pragma once

// Between the library and the module's mirror: an item put into a patch slot, the
// instruments or the system block (as a file load would: the slot becomes present, the
// records are modified, nothing is sent), and what the mirror holds taken out as items.

#include <string>
#include <vector>

#include "library/Library.h"

namespace td7 {
class TTd7Collections;
class TPresentFlags;
}  // namespace td7

namespace library {

// Kits go into slot p (0..31); instrument sets and system blocks into their block. The
// records carry their new slot's address and the session's device ID.
void PutIntoMirror(TKind kind, const Bytes& item, td7::TTd7Collections& dumps,
                   td7::TPresentFlags& present, int p = 0);

// Which parts of the mirror to take.
struct TMirrorParts {
    bool Patches = false;  // every present slot
    int Patch = -1;        // only this slot (0..31), when >= 0
    bool Instruments = false;
    bool System = false;
};
std::vector<TLibrary::TPiece> TakeFromMirror(td7::TTd7Collections& dumps,
                                             const td7::TPresentFlags& present,
                                             const TMirrorParts& parts);

// "TD-7 (device ID 17) 2026-12-07": the module as a source, as the device window counts IDs.
std::string ModuleOrigin(int deviceId, const std::string& date);

}  // namespace library
