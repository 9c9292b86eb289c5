#include "td7/PatchCompare.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "midilink/DumpCollection.h"
#include "midilink/MidiDump.h"
#include "td7/ParameterTable.h"
#include "td7/Td7Collections.h"
#include "td7/Td7Decode.h"

namespace td7 {

namespace {

constexpr int kPatchNameAt = kHeaderSize + 2;
constexpr int kPatchNameLength = 6;
constexpr int kFirstTrigger = 1;
constexpr int kFirstNoteRecord = kFirstTrigger + kTriggersPerPatch;

// The rows of one collection, in table order, looked up once.
struct TRowsOf {
    std::vector<const TParameter*> Prog, Trigger, Notemap;
    TRowsOf() {
        for (const TParameter& p : Parameters()) {
            if (p.Collection == Block::Prog) Prog.push_back(&p);
            if (p.Collection == Block::Trigger) Trigger.push_back(&p);
            if (p.Collection == Block::Notemap) Notemap.push_back(&p);
        }
    }
};

const TRowsOf& Rows() {
    static const TRowsOf rows;
    return rows;
}

// The groups of the common record: the effects and the pedal by their panels' titles.
std::string_view CommonGroup(PanelId panel) {
    return panel == PanelId::PatchCommon ? kCommonGroup : PanelTitle(panel);
}

// The hint, as the status line shows it; the pedal's controls have none, so their caption
// without its colon.
std::string Label(const TParameter& p) {
    std::string_view text = !p.Hint.empty() ? p.Hint : !p.Caption.empty() ? p.Caption : p.Name;
    if (text.ends_with(':')) text.remove_suffix(1);
    return std::string(text);
}

std::string NameOf(const std::uint8_t* common) {
    return std::string(reinterpret_cast<const char*>(common) + kPatchNameAt, kPatchNameLength);
}

// Appends a row for each parameter of the record whose value differs; `groupOf` names the
// parameter's group.
template <class GroupOf>
void Compare(std::vector<TCompareRow>& rows, Block kind, const GroupOf& groupOf,
             const std::vector<const TParameter*>& params, int record, const std::uint8_t* a,
             const std::uint8_t* b, const TShownStyle& style) {
    // Most records of two related kits are equal: their data bytes tell at once.
    const int end = InfoOf(kind).Size - 2;
    if (std::equal(a + kHeaderSize, a + end, b + kHeaderSize)) return;
    for (const TParameter* p : params) {
        const int storedA = StoredValue(*p, a);
        const int storedB = StoredValue(*p, b);
        if (storedA == storedB) continue;
        TCompareRow row;
        row.Group = groupOf(*p);
        row.Parameter = p;
        row.Label = Label(*p);
        row.Record = record;
        row.ThisValue = ControlValue(*p, storedA);
        row.OtherValue = ControlValue(*p, storedB);
        row.ThisText = ShownValue(*p, row.ThisValue, style);
        row.OtherText = ShownValue(*p, row.OtherValue, style);
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
    const TRowsOf& table = Rows();
    std::vector<TCompareRow> rows;
    const std::string nameA = NameOf(current[0]), nameB = NameOf(other[0]);
    if (nameA != nameB) {
        TCompareRow name;
        name.Group = kCommonGroup;
        name.Label = "Patch Name";
        name.Record = p;
        name.ThisText = '"' + nameA + '"';
        name.OtherText = '"' + nameB + '"';
        rows.push_back(std::move(name));
    }
    // The common record's panels lie in data order, so its rows come out panel by panel.
    Compare(
        rows, Block::Prog,
        [](const TParameter& param) { return std::string(CommonGroup(param.Panel)); }, table.Prog,
        p, current[0], other[0], style);
    const auto& triggers = TriggerTable();
    for (int t = 0; t < kTriggersPerPatch; ++t) {
        const auto r = static_cast<std::size_t>(kFirstTrigger + t);
        const std::string_view group = triggers[static_cast<std::size_t>(t)].SelectorText;
        Compare(
            rows, Block::Trigger, [&](const TParameter&) { return std::string(group); },
            table.Trigger, TriggerRecord(p, t), current[r], other[r], style);
    }
    for (int n = 0; n < kNotesPerPatch; ++n) {
        const auto r = static_cast<std::size_t>(kFirstNoteRecord + n);
        Compare(
            rows, Block::Notemap, [&](const TParameter&) { return NoteLabel(n); }, table.Notemap,
            NotemapRecord(p, n), current[r], other[r], style);
    }
    return rows;
}

std::string DifferenceCount(std::size_t count) {
    if (count == 0) return "No differences";
    return std::to_string(count) + (count == 1 ? " difference" : " differences");
}

}  // namespace td7
