#pragma once

// The TD-7's memory as the editor mirrors it: the five blocks, how a patch is made of
// records, the module address of every record and the request message of every block.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <string_view>

#include "midilink/Types.h"

namespace td7 {

// The five kinds of record, one dump collection each.
enum class Block : std::uint8_t { System, Prog, Trigger, Notemap, Instrument };

inline constexpr int kBlockCount = 5;
inline constexpr std::array<Block, kBlockCount> kAllBlocks = {
    Block::System, Block::Prog, Block::Trigger, Block::Notemap, Block::Instrument};
// The three blocks a patch is made of.
inline constexpr std::array<Block, 3> kPatchBlocks = {Block::Prog, Block::Trigger, Block::Notemap};

// The model byte of the TD-7's system-exclusive messages.
inline constexpr std::uint8_t kTd7ModelId = 0x58;

// Bytes F0 .. last address byte: what identifies a record.
inline constexpr int kHeaderSize = 9;
// Header, checksum and F7 around the data bytes.
inline constexpr int kFrameBytes = kHeaderSize + 2;

inline constexpr int kPatchCount = 32;
inline constexpr int kTriggersPerPatch = 18;
inline constexpr int kNotesPerPatch = 59;
inline constexpr int kFirstNote = 35;  // MIDI note of note-map entry 0
inline constexpr int kInstrumentCount = 512;
// Records of one patch: common block, triggers, note-map entries.
inline constexpr int kRecordsPerPatch = 1 + kTriggersPerPatch + kNotesPerPatch;

struct BlockInfo {
    Block Id;
    std::string_view Name;  // the collection's component name, used in its error texts
    int Size;               // bytes of one record
    int Count;              // records
    std::string_view RequestTemplate;
};

const BlockInfo& InfoOf(Block block);
inline int DataBytes(Block block) {
    return InfoOf(block).Size - kFrameBytes;
}

// Bytes of one whole patch in the order common, triggers, note map (1575).
int PatchBytes();

// Record numbering of a patch.
inline constexpr int TriggerRecord(int p, int t) {
    return kTriggersPerPatch * p + t;
}
inline constexpr int NotemapRecord(int p, int n) {
    return kNotesPerPatch * p + n;
}
// The patch slot a record of the patch blocks belongs to.
inline constexpr int PatchOfRecord(Block block, int record) {
    return block == Block::Trigger   ? record / kTriggersPerPatch
           : block == Block::Notemap ? record / kNotesPerPatch
                                     : record;
}

using Address = std::array<std::uint8_t, 4>;

// Address a1 a2 a3 a4 of record i of the block (a4 is 0: the block's first data byte).
// Raises "Index out of bounds" for a record outside the block.
Address RecordAddress(Block block, int i);

// The same without the range check, for the header rebuilt on every received message.
constexpr Address AddressOf(Block block, int i) {
    auto byte = [](int value) { return static_cast<std::uint8_t>(value); };
    switch (block) {
        case Block::System:
            return {0x03, 0x00, 0x00, 0x00};
        case Block::Prog:
            return {0x00, byte(i), 0x00, 0x00};
        case Block::Trigger:
            return {0x00, byte(i / kTriggersPerPatch), byte(i % kTriggersPerPatch + 1), 0x00};
        case Block::Notemap:
            return {0x00, byte(i / kNotesPerPatch), byte(i % kNotesPerPatch + kFirstNote), 0x00};
        case Block::Instrument:
            return {0x01, byte((i >> 7) & 3), byte(i & 0x7F), 0x00};
    }
    return {};
}

// The record at a module address (the block and its record): what an answer fills. None
// for an address outside the map.
std::optional<std::pair<Block, int>> RecordAtAddress(const Address& address);

// Writes bytes 1..8 of a record header: Roland, the device ID, TD-7, data set, address.
// Byte 0, data, checksum and F7 are the collection's.
inline void FillHeader(std::uint8_t* buffer, std::uint8_t deviceId, const Address& address) {
    buffer[1] = midilink::kRolandId;
    buffer[2] = deviceId;
    buffer[3] = kTd7ModelId;
    buffer[4] = midilink::kDataSet;
    for (int k = 0; k < 4; ++k) buffer[5 + k] = address[k];
}

// The header of record i with DeviceIds entry 0 ("Index out of bounds" outside the block).
void WriteHeader(Block block, int i, std::uint8_t* buffer);

// The data-request message for record i of the block, its "%0.2x" fields filled; the
// device-ID placeholder is left for the link to expand.
std::string RequestCommand(Block block, int i);

// Trigger selector entries 0..17 are trigger records; entry 18 is the hi-hat pedal,
// whose parameters live in the patch common block.
struct TriggerEntry {
    std::string_view SelectorText;
    std::string_view Pad;  // the pad shape whose Tag is the entry's position
};
inline constexpr int kTriggerSelectorEntries = kTriggersPerPatch + 1;
inline constexpr int kHihatPedalEntry = kTriggersPerPatch;
const std::array<TriggerEntry, kTriggerSelectorEntries>& TriggerTable();

}  // namespace td7
