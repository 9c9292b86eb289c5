#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "simulator/RolandSysex.h"
#include "simulator/StoreTiming.h"

namespace simulator {

// One addressable block of the module's memory.
enum class BlockKind { System, PatchCommon, Trigger, NoteMap, Instrument };

struct Block {
    BlockKind kind;
    int patch;                // 0..31 for the patch blocks, else 0
    int index;                // trigger 0..17, note-map entry 0..58, instrument 0..511, else 0
    roland::Address address;  // a4 is always 0: a block starts on a 128-byte boundary
    std::size_t offset;       // of its first byte in the memory image
    std::size_t size;         // data bytes
};

// The TD-7's memory and its side of the system-exclusive protocol.
//
// The memory image holds the data bytes of every block in one fixed order: the system block,
// then for each patch 0..31 its common block, triggers 0..17 and note-map entries 0..58 (MIDI
// notes 35..93), then instruments 0..511. Addresses:
//   system                03 00 00 00   23 bytes
//   patch p common        00 p  00 00   47 bytes
//   patch p trigger t     00 p  t+1 00  11 bytes
//   patch p note 35+n     00 p  35+n 00  8 bytes
//   instrument i          01 i>>7 i&7F 00  22 bytes
class Td7Module {
  public:
    static constexpr int kPatchCount = 32;
    static constexpr int kTriggerCount = 18;
    static constexpr int kNoteMapCount = 59;
    static constexpr int kFirstNote = 35;
    static constexpr int kInstrumentCount = 512;

    static constexpr std::size_t kSystemSize = 23;
    static constexpr std::size_t kCommonSize = 47;
    static constexpr std::size_t kTriggerSize = 11;
    static constexpr std::size_t kNoteMapSize = 8;
    static constexpr std::size_t kInstrumentSize = 22;
    static constexpr std::size_t kPatchSize =
        kCommonSize + kTriggerCount * kTriggerSize + kNoteMapCount * kNoteMapSize;
    static constexpr std::size_t kMemorySize =
        kSystemSize + kPatchCount * kPatchSize + kInstrumentCount * kInstrumentSize;
    static constexpr int kBlockCount =
        1 + kPatchCount * (1 + kTriggerCount + kNoteMapCount) + kInstrumentCount;

    static constexpr std::uint8_t kDefaultDeviceId = 0x10;

    explicit Td7Module(std::uint8_t deviceId = kDefaultDeviceId);

    std::uint8_t DeviceId() const { return m_deviceId; }
    void SetDeviceId(std::uint8_t deviceId) { m_deviceId = deviceId; }

    // A module that loses messages: every Nth data set it would take is ignored (0: none).
    void SetDropEvery(int n) { m_dropEvery = n; }
    int DropEvery() const { return m_dropEvery; }
    // A module that needs time to store what it takes (all zero: none, the start).
    // The module is no longer busy afterwards, and its clock may start again.
    void SetStoreTiming(const StoreTiming& timing) {
        m_storeTiming = timing;
        m_busyUntil = {};
    }
    const StoreTiming& GetStoreTiming() const { return m_storeTiming; }
    // Data sets stored in memory and data sets lost (to the drop rule, or arriving while the
    // module was busy storing), since the start.
    int DataSetsStored() const { return m_dataSetsStored; }
    int DataSetsDropped() const { return m_dataSetsDropped; }
    // A message the module never saw, counted as lost when it was a data set.
    void CountLost(const std::uint8_t* data, std::size_t len);

    // One complete incoming message, whose last byte arrived at `at` on the module's clock;
    // returns the messages the module sends in answer. Anything the hardware would not take
    // (wrong checksum, device ID, model or frame, an address outside the map, a request that
    // is not exactly one block) is ignored.
    std::vector<std::vector<std::uint8_t>> Receive(const std::uint8_t* data, std::size_t len,
                                                   std::chrono::microseconds at = {});

    // The patch the module plays: a program change 0..31 on the trigger transmit channel
    // selects it (patch 1 at power-on).
    int CurrentPatch() const { return m_currentPatch; }
    void SetCurrentPatch(int patch);
    // The note-on the module sends when trigger 0..17 of the current patch is hit: on the
    // system block's trigger transmit channel, with the trigger's note.
    std::array<std::uint8_t, 3> PadHit(int trigger, int velocity) const;

    // A kit-like content that is the same on every run.
    void LoadFactory();
    // Random 7-bit data, except that instrument numbers stay below 512.
    void LoadRandom(std::uint32_t seed);

    // The whole memory image in the order described above (kMemorySize bytes).
    const std::vector<std::uint8_t>& Memory() const { return m_memory; }

    // The image as one DT1 message per block, in image order (34 bytes of system block,
    // 1575 bytes per patch, 16896 bytes of instruments). Loading takes the device ID byte as
    // it comes but checks frame, address and checksum; a bad file throws std::runtime_error
    // and leaves the memory unchanged.
    void SaveMemory(const std::filesystem::path& path) const;
    void LoadMemory(const std::filesystem::path& path);

    // The block map.
    static Block SystemBlock();
    static Block CommonBlock(int patch);
    static Block TriggerBlock(int patch, int trigger);
    static Block NoteMapBlock(int patch, int entry);
    static Block InstrumentBlock(int instrument);
    static Block BlockAt(int ordinal);  // 0..kBlockCount-1, in image order
    static std::optional<Block> FindBlock(const roland::Address& address);

    std::span<std::uint8_t> Data(const Block& block);
    std::span<const std::uint8_t> Data(const Block& block) const;
    // The DT1 message that answers a request for the block.
    std::vector<std::uint8_t> DataSetOf(const Block& block) const;
    // Patch p (0..31) as a patch file holds it: the DT1 messages of its common block, its
    // triggers and its note map, in that order.
    std::vector<std::uint8_t> PatchDataSets(int patch) const;

  private:
    static constexpr std::uint8_t kNoteOn = 0x90;
    static constexpr std::uint8_t kProgramChange = 0xC0;
    std::uint8_t TriggerChannelBits() const;

    std::uint8_t m_deviceId;
    std::vector<std::uint8_t> m_memory;
    int m_dropEvery = 0;
    int m_dataSetsSeen = 0;
    int m_dataSetsStored = 0;
    int m_dataSetsDropped = 0;
    StoreTiming m_storeTiming;
    std::chrono::microseconds m_busyUntil{};
    int m_dataSetsTaken = 0;  // by the store-time rules, for dropAfter
    int m_droppedAfter = 0;
    int m_currentPatch = 0;
};

}  // namespace simulator
