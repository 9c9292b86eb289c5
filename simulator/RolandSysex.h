#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The Roland system-exclusive frame as the TD-7 speaks it:
// F0 41 dev 58 cmd a1 a2 a3 a4 <data, or a 4-byte size for a request> sum F7.
namespace simulator::roland {

inline constexpr std::uint8_t kSysexStart = 0xF0;
inline constexpr std::uint8_t kSysexEnd = 0xF7;
inline constexpr std::uint8_t kManufacturer = 0x41;
inline constexpr std::uint8_t kModelTd7 = 0x58;
inline constexpr std::uint8_t kDataRequest = 0x11;  // RQ1
inline constexpr std::uint8_t kDataSet = 0x12;      // DT1

inline constexpr std::size_t kHeaderSize = 9;      // F0 up to the last address byte
inline constexpr std::size_t kFrameOverhead = 11;  // header, checksum, F7
inline constexpr std::size_t kRequestSize = 15;    // header, 4 size bytes, checksum, F7
inline constexpr std::size_t kAddressIndex = 5;

using Address = std::array<std::uint8_t, 4>;

// The value that makes the 7-bit sum of the given bytes and itself zero.
std::uint8_t Checksum(std::span<const std::uint8_t> bytes);

// A complete DT1 message carrying data at address.
std::vector<std::uint8_t> DataSet(std::uint8_t deviceId, const Address& address,
                                  std::span<const std::uint8_t> data);

// A complete RQ1 message asking for size bytes from address; the size goes out as four
// 7-bit groups, most significant first.
std::vector<std::uint8_t> DataRequest(std::uint8_t deviceId, const Address& address,
                                      std::uint32_t size);

}  // namespace simulator::roland
