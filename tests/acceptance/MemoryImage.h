#pragma once

// The module's memory in td7sim's file order (one data-set message per block: the system
// block, then per patch its common block, 18 triggers and 59 note-map entries, then the 512
// instruments), taken from the editor's mirror, and where each record lies in it.

#include <cstdint>
#include <string>
#include <vector>

#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"

namespace acceptance {

// Offset of record i of a block in the image.
inline int ImageOffset(td7::Block block, int i) {
    using namespace td7;
    const int patches = InfoOf(Block::System).Size;
    const int instruments = patches + kPatchCount * PatchBytes();
    const int common = InfoOf(Block::Prog).Size;
    const int trigger = InfoOf(Block::Trigger).Size;
    switch (block) {
        case Block::System:
            return 0;
        case Block::Prog:
            return patches + i * PatchBytes();
        case Block::Trigger:
            return patches + (i / kTriggersPerPatch) * PatchBytes() + common +
                   (i % kTriggersPerPatch) * trigger;
        case Block::Notemap:
            return patches + (i / kNotesPerPatch) * PatchBytes() + common +
                   kTriggersPerPatch * trigger + (i % kNotesPerPatch) * InfoOf(block).Size;
        case Block::Instrument:
            return instruments + i * InfoOf(block).Size;
    }
    return -1;
}

// Every record as the editor would send it (header from its position, checksum sealed).
inline std::vector<std::uint8_t> MirrorImage(td7::TTd7Collections& dumps) {
    using namespace td7;
    std::vector<std::uint8_t> image;
    auto add = [&](Block block, int i) {
        auto& collection = dumps.Of(block);
        collection.PrepareRecord(i);
        const auto& record = collection.Records(i);
        image.insert(image.end(), record.Data(), record.Data() + record.Size());
    };
    add(Block::System, 0);
    for (int p = 0; p < kPatchCount; ++p) {
        add(Block::Prog, p);
        for (int t = 0; t < kTriggersPerPatch; ++t) add(Block::Trigger, TriggerRecord(p, t));
        for (int n = 0; n < kNotesPerPatch; ++n) add(Block::Notemap, NotemapRecord(p, n));
    }
    for (int i = 0; i < kInstrumentCount; ++i) add(Block::Instrument, i);
    return image;
}

// Positions where two images of the same size differ.
inline std::vector<int> Differences(const std::vector<std::uint8_t>& a,
                                    const std::vector<std::uint8_t>& b) {
    std::vector<int> positions;
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k)
        if (a[k] != b[k]) positions.push_back(static_cast<int>(k));
    return positions;
}

// Where `actual` differs from `expected`, with the byte before, the byte expected and the
// byte found, for a failure message.
inline std::string Mismatches(const std::vector<std::uint8_t>& before,
                              const std::vector<std::uint8_t>& expected,
                              const std::vector<std::uint8_t>& actual) {
    std::string text;
    for (int k : Differences(expected, actual))
        text += " at " + std::to_string(k) + ": was " + std::to_string(before[k]) + ", expected " +
                std::to_string(expected[k]) + ", found " + std::to_string(actual[k]) + ";";
    return text;
}

}  // namespace acceptance
