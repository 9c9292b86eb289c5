#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

// "F0 41 10" -> bytes, and back, so that expected messages read as they are written.
inline std::vector<std::uint8_t> HexBytes(const std::string& text) {
    std::vector<std::uint8_t> out;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) out.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    return out;
}
