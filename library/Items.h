#pragma once

// What the library holds, as bytes: a kit (the 78 records of one patch, 1575 bytes), an
// instrument set (512 records, 16896 bytes) or a system block (34 bytes). Items are kept
// normalised, so that the same kit read from another slot or sent by a module with another
// device ID is the same item: every header names patch slot 1 and the factory device ID,
// and every checksum is computed afresh.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace library {

using Bytes = std::vector<std::uint8_t>;

enum class TKind { Kit = 0, Instruments = 1, System = 2 };

// "kit", "instruments", "system"; and back (nothing for any other word).
std::string_view KindName(TKind kind);
std::optional<TKind> KindFromName(std::string_view name);

// 1575, 16896 or 34.
std::size_t KindBytes(TKind kind);

// The device ID written into normalised items: 0x10, that of a module from the factory.
inline constexpr std::uint8_t kNormalDeviceId = 0x10;

// The item's records with slot-1 (or block) addresses, device ID 0x10, F0/F7 and fresh
// checksums. `bytes` must be KindBytes(kind) long.
Bytes Normalise(TKind kind, std::span<const std::uint8_t> bytes);

// The same kit addressed to patch slot p (0..31) with the given device ID, as the module
// would send it: what a setup file or a transmission holds.
Bytes KitForSlot(std::span<const std::uint8_t> kit, int p, std::uint8_t deviceId = kNormalDeviceId);

// Whether each record is framed, a TD-7 data set, and carries the right checksum.
bool RecordsSound(TKind kind, std::span<const std::uint8_t> bytes);
// Which record is the first that is not, and why: "record 5 (trigger R2: Snare Rim):
// checksum 16, should be 0E"; empty when all are sound.
std::string RecordFault(TKind kind, std::span<const std::uint8_t> bytes);

// The patch name as the editor's name field shows it (six characters), with control
// characters shown as "?".
std::string KitName(std::span<const std::uint8_t> kit);

}  // namespace library
