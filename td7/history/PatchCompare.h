#pragma once

// What differs between the current patch and another one (another slot, a patch file, a
// kit of the library): one row for each parameter whose value differs, in the words of the
// patch editor, with both values as its controls show them, so that the user can take a
// value over.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "td7/history/RecordDifferences.h"
#include "td7/map/ShownValue.h"
#include "td7/map/Td7Map.h"

namespace td7 {

struct TParameter;
class TTd7Collections;

// The 78 records of one patch as bytes, in file order: the common block, triggers 0..17,
// note-map entries 0..58.
using TPatchRecords = std::array<const std::uint8_t*, kRecordsPerPatch>;

// Slot p of the mirror (the pointers stay valid while the collections keep their sizes).
TPatchRecords SlotRecords(TTd7Collections& dumps, int p);
// A patch as a patch file or a library kit holds it (PatchBytes() long; it must outlive
// the result).
TPatchRecords ImageRecords(std::span<const std::uint8_t> image);

inline constexpr const char* kCommonGroup = "Common";

// A difference of one record (a row without parameter, the patch name, is shown but not
// taken over from here), placed in the patch editor.
struct TCompareRow : TDifference {
    // "Common", "Effect 1", "Effect 2", "Hihat Pedal", the trigger as the trigger selector
    // names it, the note as the note-map list names it ("36 C 2").
    std::string Group;
    int Record = 0;  // in the parameter's collection, of the current slot
};

// Every difference between slot p's records `current` and `other`, group by group in the
// order of the patch editor's panels, each group in data order.
std::vector<TCompareRow> ComparePatches(int p, const TPatchRecords& current,
                                        const TPatchRecords& other, const TShownStyle& style);

// "3 differences", "1 difference", "No differences".
std::string DifferenceCount(std::size_t count);

}  // namespace td7
