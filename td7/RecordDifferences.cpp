#include "td7/RecordDifferences.h"

#include "midilink/MidiCom.h"
#include "midilink/MidiDump.h"
#include "td7/ParameterTable.h"
#include "td7/Td7Decode.h"

namespace app {

namespace {

// Where the name characters lie (record positions): the patch common block's six, the
// instrument's five and its type character.
constexpr int kPatchNameFirst = kHeaderSize + 2, kPatchNameEnd = kHeaderSize + 8;
constexpr int kInstrumentNameFirst = kHeaderSize + 0, kInstrumentNameEnd = kHeaderSize + 6;

int StoredValue(const TParameter& p, const std::uint8_t* record) {
    const int at = p.DumpIndex;
    switch (p.DumpMode) {
        case midilink::dm1Byte:
            return record[at];
        case midilink::dm2Bytes:
            return record[at] * 128 + record[at + 1];
        case midilink::dm2BytesEx:
            return record[at + 1] * 128 + record[at];
        case midilink::dm2Nibbles:
            return (record[at] & 0x0F) * 16 + (record[at + 1] & 0x0F);
        case midilink::dm2NibblesEx:
            return (record[at + 1] & 0x0F) * 16 + (record[at] & 0x0F);
    }
    return 0;
}

std::string Shown(const TParameter& p, int stored) {
    midilink::TValueMidiCom com;
    com.SetOffset(p.Offset);
    com.SetNegatives(p.Negatives);
    com.SetDataWidth(p.DataWidth);
    const int v = com.ValueFor(stored);
    switch (p.Kind) {
        case ControlKind::Knob:
            return ValueText(p.ValueText, v);
        case ControlKind::Combo: {
            // The note and sound lists are drawn from the records; their number says it.
            if (p.Items == ItemList::None || p.Items == ItemList::Notes ||
                p.Items == ItemList::Sounds)
                return std::to_string(v);
            const auto& items = Items(p.Items);
            return v >= 0 && v < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(v)]
                                                                : std::to_string(v);
        }
        case ControlKind::Check:
            return v == p.CheckedValue ? "on" : "off";
        case ControlKind::UpDown:
            return std::to_string(v);
    }
    return std::to_string(v);
}

std::string Line(std::string_view what, const std::string& module, const std::string& file) {
    return std::string(what) + ": module " + module + ", file " + file;
}

}  // namespace

std::vector<std::string> DescribeDifferences(Block block, const midilink::TMidiDump& module,
                                             const midilink::TMidiDump& file) {
    std::vector<std::string> lines;
    const int size = InfoOf(block).Size;
    const std::uint8_t* a = module.Data();
    const std::uint8_t* b = file.Data();
    std::vector<bool> told(static_cast<std::size_t>(size), false);

    if (block == Block::Prog || block == Block::Instrument) {
        const bool patch = block == Block::Prog;
        const int first = patch ? kPatchNameFirst : kInstrumentNameFirst;
        const int end = patch ? kPatchNameEnd : kInstrumentNameEnd;
        const std::string nameA = patch ? PatchName(module) : InstrumentNameText(module);
        const std::string nameB = patch ? PatchName(file) : InstrumentNameText(file);
        if (nameA != nameB) lines.push_back(Line("name", '"' + nameA + '"', '"' + nameB + '"'));
        for (int k = first; k < end; ++k) told[static_cast<std::size_t>(k)] = true;
    }
    for (const TParameter& p : Parameters()) {
        if (p.Collection != block) continue;
        const int width = p.DumpMode == midilink::dm1Byte ? 1 : 2;
        bool seen = false;
        for (int k = p.DumpIndex; k < p.DumpIndex + width; ++k) {
            seen = seen || told[static_cast<std::size_t>(k)];
            told[static_cast<std::size_t>(k)] = true;
        }
        const int storedA = StoredValue(p, a);
        const int storedB = StoredValue(p, b);
        if (seen || storedA == storedB) continue;
        const std::string_view label = !p.Hint.empty()      ? p.Hint
                                       : !p.Caption.empty() ? p.Caption
                                                            : p.Name;
        lines.push_back(Line(label, Shown(p, storedA), Shown(p, storedB)));
    }
    // Bytes that no control shows still count: the module would play them.
    for (int k = kHeaderSize; k < size - 2; ++k)
        if (!told[static_cast<std::size_t>(k)] && a[k] != b[k])
            lines.push_back(Line("data byte " + std::to_string(k - kHeaderSize),
                                 std::to_string(a[k]), std::to_string(b[k])));
    return lines;
}

}  // namespace app
