#pragma once

// Which patches play an instrument: the instrument window lists them beside the name.

#include <string>

namespace midilink {
class TDumpCollection;
}

namespace td7 {

class TPresentFlags;

// The 1-based numbers of the present patch slots whose note map names the instrument as
// Sound 1 or Sound 2 of any entry, ascending, each once, separated by commas without
// blanks ("3,10"); empty when none does. Performance sounds do not count, and a slot that
// is not present is never listed, whatever its records hold.
std::string PatchLookup(midilink::TDumpCollection& notemaps, const TPresentFlags& present,
                        int instrument);

}  // namespace td7
