#pragma once

// The default patch ("iniPatch") that fills an empty slot on Initialize: the 78 records of
// one patch as complete data-set messages for slot 0, device 10h, checksums included.

#include <array>
#include <cstdint>
#include <span>

#include "td7/map/Td7Map.h"

namespace td7 {

inline constexpr const char* kDefaultPatchResourceName = "iniPatch";
inline constexpr std::uint8_t kDefaultPatchDeviceId = 0x10;
inline constexpr int kDefaultPatchBytes = 1575;

// The data bytes of the default patch, block by block.
const std::array<std::uint8_t, 47>& DefaultCommonData();
const std::array<std::array<std::uint8_t, 11>, kTriggersPerPatch>& DefaultTriggerData();
const std::array<std::array<std::uint8_t, 8>, kNotesPerPatch>& DefaultNotemapData();

// The 1575 bytes, built from the tables above.
std::span<const std::uint8_t> DefaultPatchBytes();

}  // namespace td7
