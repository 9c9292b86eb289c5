#include "td7/history/RecordDifferences.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "midilink/MidiDump.h"
#include "td7/map/InstrumentName.h"
#include "td7/map/ParameterTable.h"
#include "td7/map/Td7Decode.h"

namespace td7 {

namespace {

// The rows of each block, in table order, looked up once: a compare runs through 78
// records on every edit.
const std::vector<const TParameter*>& RowsOf(Block block) {
    static const auto rows = [] {
        std::array<std::vector<const TParameter*>, kBlockCount> all;
        for (const TParameter& p : Parameters())
            all[static_cast<std::size_t>(p.Collection)].push_back(&p);
        return all;
    }();
    return rows[static_cast<std::size_t>(block)];
}

// The name field of the block's window: where its characters lie and how it is called.
struct TNameField {
    std::string_view Label;
    int First = 0, End = 0;  // record positions
};

TNameField NameField(Block block) {
    if (block == Block::Prog) return {"Patch Name", kPatchNameAt, kPatchNameAt + kPatchNameLength};
    if (block == Block::Instrument) return {"Instrument Name", kNameCharsAt, kTypeCharAt + 1};
    return {};
}

std::string Quoted(const std::string& text) {
    return '"' + text + '"';
}

}  // namespace

std::string ParameterLabel(const TParameter& p) {
    std::string_view text = !p.Hint.empty() ? p.Hint : !p.Caption.empty() ? p.Caption : p.Name;
    if (text.ends_with(':')) text.remove_suffix(1);
    return std::string(text);
}

std::vector<TDifference> RecordDifferences(Block block, const std::uint8_t* a,
                                           const std::uint8_t* b, const TShownStyle& style) {
    std::vector<TDifference> differences;
    // Most records of two related kits are equal: their data bytes tell at once.
    const int end = InfoOf(block).Size - 2;
    if (std::equal(a + kHeaderSize, a + end, b + kHeaderSize)) return differences;

    // The bytes a row below already speaks for.
    std::vector<bool> told(static_cast<std::size_t>(end), false);
    if (const TNameField name = NameField(block); !name.Label.empty()) {
        const bool patch = block == Block::Prog;
        const std::string nameA = patch ? PatchName(a) : InstrumentNameText(a);
        const std::string nameB = patch ? PatchName(b) : InstrumentNameText(b);
        if (nameA != nameB)
            differences.push_back({.Label = std::string(name.Label),
                                   .ThisText = Quoted(nameA),
                                   .OtherText = Quoted(nameB)});
        for (int k = name.First; k < name.End; ++k) told[static_cast<std::size_t>(k)] = true;
    }
    for (const TParameter* p : RowsOf(block)) {
        const std::int32_t valueA = RecordValue(*p, a);
        const std::int32_t valueB = RecordValue(*p, b);
        // Bytes that read as the same value (bits above a signed value's width) are left
        // to the byte lines below.
        if (valueA == valueB) continue;
        const int width = p->DumpMode == midilink::dm1Byte ? 1 : 2;
        for (int k = p->DumpIndex; k < p->DumpIndex + width; ++k)
            told[static_cast<std::size_t>(k)] = true;
        differences.push_back({.Parameter = p,
                               .Label = ParameterLabel(*p),
                               .ThisValue = valueA,
                               .OtherValue = valueB,
                               .ThisText = ShownValue(*p, valueA, style),
                               .OtherText = ShownValue(*p, valueB, style)});
    }
    // Bytes that no control shows still count: the module would play them.
    for (int k = kHeaderSize; k < end; ++k)
        if (!told[static_cast<std::size_t>(k)] && a[k] != b[k])
            differences.push_back({.Label = "data byte " + std::to_string(k - kHeaderSize),
                                   .ThisValue = a[k],
                                   .OtherValue = b[k],
                                   .ThisText = std::to_string(a[k]),
                                   .OtherText = std::to_string(b[k])});
    return differences;
}

std::vector<std::string> DescribeDifferences(Block block, const midilink::TMidiDump& module,
                                             const midilink::TMidiDump& file) {
    // The check boxes' states in the middle of a sentence.
    const TShownStyle style{.On = "on", .Off = "off"};
    std::vector<std::string> lines;
    for (const TDifference& d : RecordDifferences(block, module.Data(), file.Data(), style))
        lines.push_back(d.Label + ": module " + d.ThisText + ", file " + d.OtherText);
    return lines;
}

}  // namespace td7
