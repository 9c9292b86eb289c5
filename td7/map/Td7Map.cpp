#include "td7/map/Td7Map.h"

#include "midilink/DeviceIds.h"
#include "midilink/Error.h"
#include "midilink/Templates.h"
#include "midilink/Types.h"

namespace td7 {

namespace {

// Sizes, counts and requests of the five blocks; the requested size always equals the
// block's data bytes, so the module answers with exactly one record.
constexpr std::array<BlockInfo, kBlockCount> kBlocks = {{
    {Block::System, "SystemDump", 34, 1, "F041v05811030000000000001700F7"},
    {Block::Prog, "ProgDump", 58, kPatchCount, "F041v0581100%0.2x00000000002F00F7"},
    {Block::Trigger, "TriggerDump", 22, kPatchCount* kTriggersPerPatch,
     "F041v0581100%0.2x%0.2x000000000B00F7"},
    {Block::Notemap, "NotemapDump", 19, kPatchCount* kNotesPerPatch,
     "F041v0581100%0.2x%0.2x000000000800F7"},
    {Block::Instrument, "InstrumentDump", 33, kInstrumentCount,
     "F041v0581101%0.2x%0.2x000000001600F7"},
}};

constexpr std::array<TriggerEntry, kTriggerSelectorEntries> kTriggers = {{
    {"T1: Kick", "shKick"},     {"R1: Kick Rim", "shKickRim"},
    {"T2: Snare", "shSnare"},   {"R2: Snare Rim", "shSnareRim"},
    {"T3: Hihat", "shHihat"},   {"R3: Hihat Rim", "shHihatRim"},
    {"T4: Tom 1", "shTom1"},    {"R4: Tom 1 Rim", "shTom1Rim"},
    {"T5: Tom 2", "shTom2"},    {"R5: Tom 2 Rim", "shTom2Rim"},
    {"T6: Tom 3", "shTom3"},    {"R6: Tom 3 Rim", "shTom3Rim"},
    {"T7: Tom 4", "shTom4"},    {"R7: Tom 4 Rim", "shTom4Rim"},
    {"T8: Ride", "shRide"},     {"R8: Ride Rim", "shRideRim"},
    {"T9: Crash", "shCrash"},   {"R9: Crash Rim", "shCrashRim"},
    {"Hihat Pedal", "shPedal"},
}};

std::uint8_t Byte(int value) {
    return static_cast<std::uint8_t>(value);
}

}  // namespace

const BlockInfo& InfoOf(Block block) {
    return kBlocks[static_cast<std::size_t>(block)];
}

int PatchBytes() {
    return InfoOf(Block::Prog).Size + kTriggersPerPatch * InfoOf(Block::Trigger).Size +
           kNotesPerPatch * InfoOf(Block::Notemap).Size;
}

Address RecordAddress(Block block, int i) {
    // Beyond the collection there is no record, and a2 a3 would wrap into another block.
    if (i < 0 || i >= InfoOf(block).Count) throw midilink::Error("Index out of bounds");
    return AddressOf(block, i);
}

std::optional<std::pair<Block, int>> RecordAtAddress(const Address& address) {
    const int a1 = address[0], a2 = address[1], a3 = address[2];
    if (address[3] != 0) return std::nullopt;
    if (a1 == 0x03 && a2 == 0 && a3 == 0) return std::pair{Block::System, 0};
    if (a1 == 0x01 && a2 < (kInstrumentCount >> 7) && a3 < 0x80)
        return std::pair{Block::Instrument, a2 << 7 | a3};
    if (a1 != 0x00 || a2 >= kPatchCount) return std::nullopt;
    if (a3 == 0) return std::pair{Block::Prog, a2};
    if (a3 <= kTriggersPerPatch) return std::pair{Block::Trigger, TriggerRecord(a2, a3 - 1)};
    if (a3 >= kFirstNote && a3 < kFirstNote + kNotesPerPatch)
        return std::pair{Block::Notemap, NotemapRecord(a2, a3 - kFirstNote)};
    return std::nullopt;
}

void WriteHeader(Block block, int i, std::uint8_t* buffer) {
    FillHeader(buffer, Byte(midilink::GetDeviceId(0)), RecordAddress(block, i));
}

std::string RequestCommand(Block block, int i) {
    const std::string_view tmpl = InfoOf(block).RequestTemplate;
    const Address a = RecordAddress(block, i);
    switch (block) {
        case Block::System:
            return std::string(tmpl);
        case Block::Prog:
            return midilink::FillFields(tmpl, {a[1]});
        case Block::Trigger:
        case Block::Notemap:
        case Block::Instrument:
            return midilink::FillFields(tmpl, {a[1], a[2]});
    }
    return {};
}

const std::array<TriggerEntry, kTriggerSelectorEntries>& TriggerTable() {
    return kTriggers;
}

}  // namespace td7
