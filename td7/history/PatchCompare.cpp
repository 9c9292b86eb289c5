#include "td7/history/PatchCompare.h"

#include <stdexcept>
#include <string_view>

#include "midilink/DumpCollection.h"
#include "midilink/MidiDump.h"
#include "td7/map/ParameterTable.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"

namespace td7 {

namespace {

constexpr int kFirstTrigger = 1;
constexpr int kFirstNoteRecord = kFirstTrigger + kTriggersPerPatch;

// The groups of the common record: the effects and the pedal by their panels' titles.
std::string_view CommonGroup(const TDifference& d) {
    if (d.Parameter == nullptr || d.Parameter->Panel == PanelId::PatchCommon) return kCommonGroup;
    return PanelTitle(d.Parameter->Panel);
}

// Appends a row for each difference of the record; `groupOf` names its group.
template <class GroupOf>
void Compare(std::vector<TCompareRow>& rows, Block kind, const GroupOf& groupOf, int record,
             const std::uint8_t* a, const std::uint8_t* b, const TShownStyle& style) {
    for (TDifference& d : RecordDifferences(kind, a, b, style)) {
        TCompareRow row{std::move(d)};
        row.Group = std::string(groupOf(row));
        row.Record = record;
        rows.push_back(std::move(row));
    }
}

}  // namespace

TPatchRecords SlotRecords(TTd7Collections& dumps, int p) {
    TPatchRecords records{};
    records[0] = dumps.ProgDump.Records(p).Data();
    for (int t = 0; t < kTriggersPerPatch; ++t)
        records[static_cast<std::size_t>(kFirstTrigger + t)] =
            dumps.TriggerDump.Records(TriggerRecord(p, t)).Data();
    for (int n = 0; n < kNotesPerPatch; ++n)
        records[static_cast<std::size_t>(kFirstNoteRecord + n)] =
            dumps.NotemapDump.Records(NotemapRecord(p, n)).Data();
    return records;
}

TPatchRecords ImageRecords(std::span<const std::uint8_t> image) {
    if (static_cast<int>(image.size()) != PatchBytes())
        throw std::invalid_argument("a patch image is " + std::to_string(PatchBytes()) +
                                    " bytes long");
    TPatchRecords records{};
    const std::uint8_t* at = image.data();
    for (std::size_t r = 0; r < records.size(); ++r) {
        records[r] = at;
        const Block kind = r == 0                 ? Block::Prog
                           : r < kFirstNoteRecord ? Block::Trigger
                                                  : Block::Notemap;
        at += InfoOf(kind).Size;
    }
    return records;
}

std::vector<TCompareRow> ComparePatches(int p, const TPatchRecords& current,
                                        const TPatchRecords& other, const TShownStyle& style) {
    std::vector<TCompareRow> rows;
    // The common record's panels lie in data order, so its rows come out panel by panel.
    Compare(rows, Block::Prog, CommonGroup, p, current[0], other[0], style);
    const auto& triggers = TriggerTable();
    for (int t = 0; t < kTriggersPerPatch; ++t) {
        const auto r = static_cast<std::size_t>(kFirstTrigger + t);
        const std::string_view group = triggers[static_cast<std::size_t>(t)].SelectorText;
        Compare(
            rows, Block::Trigger, [&](const TDifference&) { return group; }, TriggerRecord(p, t),
            current[r], other[r], style);
    }
    for (int n = 0; n < kNotesPerPatch; ++n) {
        const auto r = static_cast<std::size_t>(kFirstNoteRecord + n);
        Compare(
            rows, Block::Notemap, [&](const TDifference&) { return NoteLabel(n); },
            NotemapRecord(p, n), current[r], other[r], style);
    }
    return rows;
}

std::string DifferenceCount(std::size_t count) {
    if (count == 0) return "No differences";
    return std::to_string(count) + (count == 1 ? " difference" : " differences");
}

}  // namespace td7
