#include "td7/history/PatchSlots.h"

#include <array>
#include <sstream>
#include <string>

#include "midilink/Error.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/RecordRun.h"
#include "td7/map/Td7Collections.h"

namespace td7 {

namespace {

void CheckSlot(int p) {
    if (p < 0 || p >= kPatchCount) throw midilink::Error("Index out of bounds");
}

// Moves the block of `per` records of slot s so that it becomes the block of slot d.
// Moving forward takes the first record of the block to the end of slot d's block, as
// often as the block is long; moving back takes each record to its place in slot d.
void MoveBlock(midilink::TDumpCollection& dump, int per, int s, int d) {
    if (s < d) {
        for (int i = 0; i < per; ++i) dump.Move(per * s, per * (d + 1) - 1);
    } else {
        for (int i = 0; i < per; ++i) dump.Move(per * s + i, per * d + i);
    }
}

}  // namespace

void MovePatch(TTd7Collections& dumps, TPresentFlags& present, int s, int d) {
    CheckSlot(s);
    CheckSlot(d);
    if (s == d) return;

    std::array<bool, kPatchCount> flags{};
    for (int p = 0; p < kPatchCount; ++p) flags[p] = present.PatchPresent(p);
    const bool moved = flags[s];
    if (s < d) {
        for (int p = s; p < d; ++p) flags[p] = flags[p + 1];
    } else {
        for (int p = s; p > d; --p) flags[p] = flags[p - 1];
    }
    flags[d] = moved;
    const int low = s < d ? s : d;
    const int high = s < d ? d : s;
    for (int p = low; p <= high; ++p) present.SetPatchPresent(p, flags[p]);

    dumps.ProgDump.Move(s, d);
    MoveBlock(dumps.TriggerDump, kTriggersPerPatch, s, d);
    MoveBlock(dumps.NotemapDump, kNotesPerPatch, s, d);
}

void ExchangePatch(TTd7Collections& dumps, TPresentFlags& present, int s, int d) {
    CheckSlot(s);
    CheckSlot(d);
    if (s == d) return;

    const bool fromS = present.PatchPresent(s);
    present.SetPatchPresent(s, present.PatchPresent(d));
    present.SetPatchPresent(d, fromS);

    dumps.ProgDump.Exchange(s, d);
    for (int t = 0; t < kTriggersPerPatch; ++t)
        dumps.TriggerDump.Exchange(TriggerRecord(s, t), TriggerRecord(d, t));
    for (int n = 0; n < kNotesPerPatch; ++n)
        dumps.NotemapDump.Exchange(NotemapRecord(s, n), NotemapRecord(d, n));
}

void InitializePatch(TTd7Collections& dumps, TPresentFlags& present, int p,
                     std::span<const std::uint8_t> patch) {
    const auto runs = PatchRuns(p);
    if (patch.size() != static_cast<std::size_t>(RunBytes(runs)))
        throw midilink::Error("Stream read error");
    std::istringstream in(std::string(patch.begin(), patch.end()), std::ios::binary);
    ReadRuns(in, dumps, runs);
    present.SetPatchPresent(p, true);
}

}  // namespace td7
