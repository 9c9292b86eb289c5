#include "library/Items.h"

#include <array>
#include <stdexcept>

#include "midilink/Templates.h"
#include "midilink/Types.h"
#include "td7/map/RecordCheck.h"
#include "td7/map/RecordName.h"
#include "td7/map/Td7Map.h"

namespace library {

namespace {

// Block and index of each record of an item, in file order.
struct TRecordPlace {
    td7::Block Block;
    int Index;
};

template <class Visit>
void ForEachRecord(TKind kind, Visit visit) {
    switch (kind) {
        case TKind::Kit: {
            std::size_t at = 0;
            visit(td7::Block::Prog, 0, at);
            at += static_cast<std::size_t>(td7::InfoOf(td7::Block::Prog).Size);
            for (int t = 0; t < td7::kTriggersPerPatch; ++t) {
                visit(td7::Block::Trigger, t, at);
                at += static_cast<std::size_t>(td7::InfoOf(td7::Block::Trigger).Size);
            }
            for (int n = 0; n < td7::kNotesPerPatch; ++n) {
                visit(td7::Block::Notemap, n, at);
                at += static_cast<std::size_t>(td7::InfoOf(td7::Block::Notemap).Size);
            }
            break;
        }
        case TKind::Instruments:
            for (int i = 0; i < td7::kInstrumentCount; ++i)
                visit(td7::Block::Instrument, i,
                      static_cast<std::size_t>(i * td7::InfoOf(td7::Block::Instrument).Size));
            break;
        case TKind::System:
            visit(td7::Block::System, 0, std::size_t{0});
            break;
    }
}

// Record index of a kit's record for slot p: triggers and note-map entries count on from
// the slot's first record.
int IndexInSlot(td7::Block block, int index, int p) {
    switch (block) {
        case td7::Block::Prog:
            return p;
        case td7::Block::Trigger:
            return td7::TriggerRecord(p, index);
        case td7::Block::Notemap:
            return td7::NotemapRecord(p, index);
        default:
            return index;
    }
}

Bytes Rewrite(TKind kind, std::span<const std::uint8_t> bytes, int p, std::uint8_t deviceId) {
    if (bytes.size() != KindBytes(kind)) throw std::invalid_argument("item of the wrong size");
    Bytes result(bytes.begin(), bytes.end());
    ForEachRecord(kind, [&](td7::Block block, int index, std::size_t at) {
        const int size = td7::InfoOf(block).Size;
        std::uint8_t* record = result.data() + at;
        record[0] = midilink::kSysexStart;
        td7::FillHeader(record, deviceId, td7::AddressOf(block, IndexInSlot(block, index, p)));
        record[size - 2] = midilink::RolandChecksum(record + 5, size - 7);
        record[size - 1] = midilink::kSysexEnd;
    });
    return result;
}

}  // namespace

std::string_view KindName(TKind kind) {
    switch (kind) {
        case TKind::Kit:
            return "kit";
        case TKind::Instruments:
            return "instruments";
        case TKind::System:
            return "system";
    }
    return {};
}

std::optional<TKind> KindFromName(std::string_view name) {
    for (TKind kind : {TKind::Kit, TKind::Instruments, TKind::System})
        if (KindName(kind) == name) return kind;
    return std::nullopt;
}

std::size_t KindBytes(TKind kind) {
    switch (kind) {
        case TKind::Kit:
            return static_cast<std::size_t>(td7::PatchBytes());
        case TKind::Instruments:
            return static_cast<std::size_t>(td7::InfoOf(td7::Block::Instrument).Size *
                                            td7::kInstrumentCount);
        case TKind::System:
            return static_cast<std::size_t>(td7::InfoOf(td7::Block::System).Size);
    }
    return 0;
}

Bytes Normalise(TKind kind, std::span<const std::uint8_t> bytes) {
    return Rewrite(kind, bytes, 0, kNormalDeviceId);
}

Bytes KitForSlot(std::span<const std::uint8_t> kit, int p, std::uint8_t deviceId) {
    return Rewrite(TKind::Kit, kit, p, deviceId);
}

std::string RecordFault(TKind kind, std::span<const std::uint8_t> bytes) {
    if (bytes.size() != KindBytes(kind))
        return std::to_string(bytes.size()) + " bytes, not " + std::to_string(KindBytes(kind));
    std::string fault;
    int number = 0;
    ForEachRecord(kind, [&](td7::Block block, int index, std::size_t at) {
        ++number;
        if (!fault.empty()) return;
        fault = td7::CheckRecord(bytes.data() + at, td7::InfoOf(block).Size).Text;
        if (!fault.empty())
            fault = "record " + std::to_string(number) + " (" +
                    td7::RecordNameInPatch(block, index) + "): " + fault;
    });
    return fault;
}

bool RecordsSound(TKind kind, std::span<const std::uint8_t> bytes) {
    return RecordFault(kind, bytes).empty();
}

std::string KitName(std::span<const std::uint8_t> kit) {
    // The name field shows the six name bytes of the common record's data.
    constexpr std::size_t kNameAt = td7::kHeaderSize + 2;
    constexpr std::size_t kNameLength = 6;
    std::string name;
    for (std::size_t k = 0; k < kNameLength && kNameAt + k < kit.size(); ++k) {
        const char c = static_cast<char>(kit[kNameAt + k]);
        name.push_back(c < 0x20 || c > 0x7E ? '?' : c);
    }
    return name;
}

}  // namespace library
