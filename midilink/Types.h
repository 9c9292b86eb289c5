#pragma once

#include <cstdint>

namespace midilink {

// Only ctRoland computes a checksum; ctYamaha is stored and behaves like ctNone.
enum TChecksumType : std::uint8_t { ctNone, ctRoland, ctYamaha };

// How a stored value is laid into one or two record bytes (B0 at DumpIndex, B1 after it).
enum TDumpMode : std::uint8_t { dm1Byte, dm2Bytes, dm2BytesEx, dm2Nibbles, dm2NibblesEx };

// Roland system-exclusive framing.
inline constexpr std::uint8_t kSysexStart = 0xF0;
inline constexpr std::uint8_t kSysexEnd = 0xF7;
inline constexpr std::uint8_t kRolandId = 0x41;
inline constexpr std::uint8_t kDataSet = 0x12;
inline constexpr std::uint8_t kDataRequest = 0x11;

}  // namespace midilink
