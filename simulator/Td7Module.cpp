#include "simulator/Td7Module.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace simulator {

namespace {

constexpr std::size_t kPatchesOffset = Td7Module::kSystemSize;
constexpr std::size_t kInstrumentsOffset =
    kPatchesOffset + Td7Module::kPatchCount * Td7Module::kPatchSize;
constexpr int kBlocksPerPatch = 1 + Td7Module::kTriggerCount + Td7Module::kNoteMapCount;

constexpr std::uint8_t kPatchArea = 0x00;
constexpr std::uint8_t kInstrumentArea = 0x01;
constexpr std::uint8_t kSystemArea = 0x03;

void CheckRange(int value, int count, const char* what) {
    if (value < 0 || value >= count)
        throw std::out_of_range(std::string(what) + " " + std::to_string(value) + " out of range");
}

std::size_t PatchOffset(int patch) {
    return kPatchesOffset + patch * Td7Module::kPatchSize;
}

std::uint8_t Byte(int value) {
    return static_cast<std::uint8_t>(value);
}

bool AllDataBytes(const std::uint8_t* first, const std::uint8_t* last) {
    for (; first != last; ++first)
        if (*first & 0x80) return false;
    return true;
}

}  // namespace

Td7Module::Td7Module(std::uint8_t deviceId) : m_deviceId(deviceId), m_memory(kMemorySize, 0) {}

Block Td7Module::SystemBlock() {
    return {BlockKind::System, 0, 0, {kSystemArea, 0, 0, 0}, 0, kSystemSize};
}

Block Td7Module::CommonBlock(int patch) {
    CheckRange(patch, kPatchCount, "patch");
    return {BlockKind::PatchCommon, patch,      0, {kPatchArea, Byte(patch), 0, 0},
            PatchOffset(patch),     kCommonSize};
}

Block Td7Module::TriggerBlock(int patch, int trigger) {
    CheckRange(patch, kPatchCount, "patch");
    CheckRange(trigger, kTriggerCount, "trigger");
    return {BlockKind::Trigger,
            patch,
            trigger,
            {kPatchArea, Byte(patch), Byte(trigger + 1), 0},
            PatchOffset(patch) + kCommonSize + trigger * kTriggerSize,
            kTriggerSize};
}

Block Td7Module::NoteMapBlock(int patch, int entry) {
    CheckRange(patch, kPatchCount, "patch");
    CheckRange(entry, kNoteMapCount, "note-map entry");
    return {BlockKind::NoteMap,
            patch,
            entry,
            {kPatchArea, Byte(patch), Byte(kFirstNote + entry), 0},
            PatchOffset(patch) + kCommonSize + kTriggerCount * kTriggerSize + entry * kNoteMapSize,
            kNoteMapSize};
}

Block Td7Module::InstrumentBlock(int instrument) {
    CheckRange(instrument, kInstrumentCount, "instrument");
    return {BlockKind::Instrument,
            0,
            instrument,
            {kInstrumentArea, Byte(instrument >> 7), Byte(instrument & 0x7F), 0},
            kInstrumentsOffset + instrument * kInstrumentSize,
            kInstrumentSize};
}

Block Td7Module::BlockAt(int ordinal) {
    CheckRange(ordinal, kBlockCount, "block");
    if (ordinal == 0) return SystemBlock();
    int k = ordinal - 1;
    if (k >= kPatchCount * kBlocksPerPatch)
        return InstrumentBlock(k - kPatchCount * kBlocksPerPatch);
    int patch = k / kBlocksPerPatch;
    int r = k % kBlocksPerPatch;
    if (r == 0) return CommonBlock(patch);
    if (r <= kTriggerCount) return TriggerBlock(patch, r - 1);
    return NoteMapBlock(patch, r - 1 - kTriggerCount);
}

std::optional<Block> Td7Module::FindBlock(const roland::Address& address) {
    const auto [a1, a2, a3, a4] = address;
    if ((a1 | a2 | a3 | a4) & 0x80) return std::nullopt;
    switch (a1) {
        case kSystemArea:
            if (a2 == 0 && a3 == 0) return SystemBlock();
            break;
        case kInstrumentArea:
            if (a2 * 128 + a3 < kInstrumentCount) return InstrumentBlock(a2 * 128 + a3);
            break;
        case kPatchArea:
            if (a2 >= kPatchCount) break;
            if (a3 == 0) return CommonBlock(a2);
            if (a3 <= kTriggerCount) return TriggerBlock(a2, a3 - 1);
            if (a3 >= kFirstNote && a3 < kFirstNote + kNoteMapCount)
                return NoteMapBlock(a2, a3 - kFirstNote);
            break;
        default:
            break;
    }
    return std::nullopt;
}

std::span<std::uint8_t> Td7Module::Data(const Block& block) {
    return std::span(m_memory).subspan(block.offset, block.size);
}

std::span<const std::uint8_t> Td7Module::Data(const Block& block) const {
    return std::span(m_memory).subspan(block.offset, block.size);
}

std::vector<std::uint8_t> Td7Module::DataSetOf(const Block& block) const {
    return roland::DataSet(m_deviceId, block.address, Data(block));
}

std::vector<std::uint8_t> Td7Module::PatchDataSets(int patch) const {
    std::vector<std::uint8_t> bytes = DataSetOf(CommonBlock(patch));
    const auto append = [&](const Block& block) {
        const auto message = DataSetOf(block);
        bytes.insert(bytes.end(), message.begin(), message.end());
    };
    for (int t = 0; t < kTriggerCount; ++t) append(TriggerBlock(patch, t));
    for (int n = 0; n < kNoteMapCount; ++n) append(NoteMapBlock(patch, n));
    return bytes;
}

void Td7Module::CountLost(const std::uint8_t* data, std::size_t len) {
    if (data != nullptr && len > roland::kFrameOverhead && data[0] == roland::kSysexStart &&
        data[4] == roland::kDataSet)
        ++m_dataSetsDropped;
}

std::vector<std::vector<std::uint8_t>> Td7Module::Receive(const std::uint8_t* data, std::size_t len,
                                                          std::chrono::microseconds at) {
    using namespace roland;
    std::vector<std::vector<std::uint8_t>> replies;
    if (data != nullptr && len == 2 && data[0] == (kProgramChange | TriggerChannelBits()) &&
        data[1] < kPatchCount) {
        m_currentPatch = data[1];
        return replies;
    }
    // The shortest message the module takes is a data set of one byte.
    if (data == nullptr || len < kFrameOverhead + 1) return replies;
    if (data[0] != kSysexStart || data[len - 1] != kSysexEnd) return replies;
    if (!AllDataBytes(data + 1, data + len - 1)) return replies;
    if (data[1] != kManufacturer || data[2] != m_deviceId || data[3] != kModelTd7) return replies;
    if (Checksum(std::span(data + kAddressIndex, data + len - 1)) != 0) return replies;

    const Address address{data[5], data[6], data[7], data[8]};
    const auto block = FindBlock(address);
    if (!block) return replies;
    const std::size_t offset = address[3];

    switch (data[4]) {
        case kDataRequest: {
            if (len != kRequestSize || offset != 0) break;
            const std::uint32_t size = std::uint32_t{data[9]} << 21 |
                                       std::uint32_t{data[10]} << 14 |
                                       std::uint32_t{data[11]} << 7 | data[12];
            if (size == block->size) replies.push_back(DataSetOf(*block));
            break;
        }
        case kDataSet: {
            const std::size_t count = len - kFrameOverhead;
            if (offset + count > block->size) break;
            if (at < m_busyUntil || m_storeTiming.InBusySpell(at)) {
                ++m_dataSetsDropped;
                break;
            }
            if (m_dropEvery > 0 && ++m_dataSetsSeen % m_dropEvery == 0) {
                ++m_dataSetsDropped;
                break;
            }
            if (m_storeTiming.dropAfter > 0 && m_dataSetsTaken >= m_storeTiming.dropAfter &&
                m_droppedAfter < m_storeTiming.dropFor) {
                ++m_droppedAfter;
                ++m_dataSetsDropped;
                break;
            }
            ++m_dataSetsTaken;
            ++m_dataSetsStored;
            m_busyUntil = at + m_storeTiming.StoreTime(len);
            std::copy(data + kHeaderSize, data + kHeaderSize + count,
                      Data(*block).begin() + offset);
            break;
        }
        default:
            break;
    }
    return replies;
}

void Td7Module::SetCurrentPatch(int patch) {
    CheckRange(patch, kPatchCount, "patch");
    m_currentPatch = patch;
}

std::uint8_t Td7Module::TriggerChannelBits() const {
    // System data byte 0: the trigger transmit channel, 0..15 for channels 1..16.
    return Data(SystemBlock())[0] & 0x0F;
}

std::array<std::uint8_t, 3> Td7Module::PadHit(int trigger, int velocity) const {
    // Trigger data byte 0: the note the trigger plays.
    const std::uint8_t note = Data(TriggerBlock(m_currentPatch, trigger))[0] & 0x7F;
    return {static_cast<std::uint8_t>(kNoteOn | TriggerChannelBits()), note,
            static_cast<std::uint8_t>(std::clamp(velocity, 1, 127))};
}

void Td7Module::LoadRandom(std::uint32_t seed) {
    std::mt19937 random(seed);
    for (auto& byte : m_memory) byte = static_cast<std::uint8_t>(random() & 0x7F);
    // Instrument numbers are two 7-bit groups, high first: a high group below 4 keeps them
    // under 512, so every note-map line and performance sound names a real instrument.
    auto limit = [](std::uint8_t& high) { high &= 0x03; };
    for (int p = 0; p < kPatchCount; ++p) {
        auto common = Data(CommonBlock(p));
        for (std::size_t at : {8, 10, 12}) limit(common[at]);
        for (int n = 0; n < kNoteMapCount; ++n) {
            auto entry = Data(NoteMapBlock(p, n));
            for (std::size_t at : {3, 6}) limit(entry[at]);
        }
    }
}

void Td7Module::SaveMemory(const std::filesystem::path& path) const {
    // Written aside and renamed, so that a reader never sees half a file.
    auto partial = path;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) throw std::runtime_error("Cannot create " + partial.string());
        for (int k = 0; k < kBlockCount; ++k) {
            const auto message = DataSetOf(BlockAt(k));
            out.write(reinterpret_cast<const char*>(message.data()),
                      static_cast<std::streamsize>(message.size()));
        }
        out.close();
        if (!out) throw std::runtime_error("Cannot write " + partial.string());
    }
    std::filesystem::rename(partial, path);
}

void Td7Module::LoadMemory(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot open " + path.string());
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
    if (file.size() != kMemorySize + kBlockCount * roland::kFrameOverhead)
        throw std::runtime_error("Not a TD-7 memory image: " + path.string());

    std::vector<std::uint8_t> memory(kMemorySize);
    std::size_t at = 0;
    for (int k = 0; k < kBlockCount; ++k) {
        const Block block = BlockAt(k);
        const std::uint8_t* message = file.data() + at;
        const std::size_t length = block.size + roland::kFrameOverhead;
        const bool framed = message[0] == roland::kSysexStart &&
                            message[1] == roland::kManufacturer &&
                            message[3] == roland::kModelTd7 && message[4] == roland::kDataSet &&
                            std::equal(block.address.begin(), block.address.end(), message + 5) &&
                            message[length - 1] == roland::kSysexEnd &&
                            AllDataBytes(message + 1, message + length - 1) &&
                            roland::Checksum(std::span(message + 5, message + length - 1)) == 0;
        if (!framed)
            throw std::runtime_error("Bad block " + std::to_string(k) + " in " + path.string());
        std::copy(message + roland::kHeaderSize, message + roland::kHeaderSize + block.size,
                  memory.begin() + block.offset);
        at += length;
    }
    m_memory = std::move(memory);
}

}  // namespace simulator
