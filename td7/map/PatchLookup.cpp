#include "td7/map/PatchLookup.h"

#include "midilink/DumpCollection.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Decode.h"
#include "td7/map/Td7Map.h"

namespace td7 {

namespace {

bool PatchUses(midilink::TDumpCollection& notemaps, int slot, int instrument) {
    for (int n = 0; n < kNotesPerPatch; ++n) {
        const midilink::TMidiDump& entry = notemaps.Records(NotemapRecord(slot, n));
        if (NotemapSound1(entry) == instrument || NotemapSound2(entry) == instrument) return true;
    }
    return false;
}

}  // namespace

std::string PatchLookup(midilink::TDumpCollection& notemaps, const TPresentFlags& present,
                        int instrument) {
    std::string text;
    for (int slot = 0; slot < kPatchCount; ++slot) {
        if (!present.PatchPresent(slot) || !PatchUses(notemaps, slot, instrument)) continue;
        if (!text.empty()) text += ',';
        text += std::to_string(slot + 1);
    }
    return text;
}

}  // namespace td7
