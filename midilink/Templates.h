#pragma once

// Command templates: text of two-character pairs, each a literal hex byte or a
// placeholder dK (7-bit group K of the value), nK (nibble K) or vK (device ID K).

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "Types.h"

namespace midilink {

// Replaces every placeholder pair. Raises "Invalid hex string %s" for a placeholder
// whose digit is out of its range (d above 3, n above 7, a non-digit after d, n or v).
std::string ExpandTemplate(std::string_view tmpl, std::int32_t value);

// Nibble K (0..7) of the value, counted from the least significant.
int NibbleOf(std::uint32_t value, int k);

// Strict: upper-cases, then accepts 0-9 and A-F only; "Invalid hex string %s" otherwise.
std::int32_t HexToInt(std::string_view text);

// Lenient, without check (lower-case a-f give wrong values, as in the module's tools).
std::uint8_t HexPairToByte(char high, char low);

// True when the first n bytes agree; true for n <= 0.
bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, int n);

// Fills each "%0.2x" field of a template, in order, with a number as two upper-case
// hex digits (request and name messages insert their address bytes this way).
std::string FillFields(std::string_view tmpl, std::initializer_list<int> fields);

// Roland checksum of a record: the byte at size-2 becomes the checksum of bytes
// 5..size-3. Other checksum types and records too short to hold one are left alone.
void UpdateChecksum(std::uint8_t* data, int size, TChecksumType type);

// The Roland checksum of a run of bytes: (80h - sum mod 128) and 7Fh.
std::uint8_t RolandChecksum(const std::uint8_t* data, int count);

}  // namespace midilink
