#include "td7/RecordDifferences.h"

#include "midilink/MidiDump.h"
#include "td7/ParameterTable.h"
#include "td7/ShownValue.h"
#include "td7/Td7Decode.h"

namespace td7 {

namespace {

// Where the name characters lie (record positions): the patch common block's six, the
// instrument's five and its type character.
constexpr int kPatchNameFirst = kHeaderSize + 2, kPatchNameEnd = kHeaderSize + 8;
constexpr int kInstrumentNameFirst = kHeaderSize + 0, kInstrumentNameEnd = kHeaderSize + 6;

// The texts as the verify report has always written them, in the middle of a sentence.
std::string Shown(const TParameter& p, int stored) {
    return ShownValue(p, ControlValue(p, stored), {.On = "on", .Off = "off"});
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

}  // namespace td7
