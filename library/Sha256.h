#pragma once

// SHA-256 of a run of bytes, as 64 lower-case hex digits: the key of a library item, so
// that the same bytes are the same item whichever file or module they came from.

#include <cstdint>
#include <span>
#include <string>

namespace library {

std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace library
