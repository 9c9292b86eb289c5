#include "library/CaseFold.h"

namespace library {

namespace {

char32_t Small(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    // Latin Extended-A: pairs of capital and small, the capital first...
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
    // ... or, in these two runs, the capital odd.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) != 0 ? c + 1 : c;
    if (c == 0x178) return 0xFF;
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

// A letter of two bytes stays one of two.
void PutUtf8(std::string& out, char32_t c) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

}  // namespace

std::string FoldCase(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t k = 0; k < text.size();) {
        const auto byte = static_cast<unsigned char>(text[k]);
        // Only the two-byte sequences hold letters that fold; the rest is copied as it is.
        if ((byte & 0xE0) == 0xC0 && k + 1 < text.size() &&
            (static_cast<unsigned char>(text[k + 1]) & 0xC0) == 0x80) {
            const char32_t c = static_cast<char32_t>(
                ((byte & 0x1F) << 6) | (static_cast<unsigned char>(text[k + 1]) & 0x3F));
            if (c >= 0x80) {
                PutUtf8(folded, Small(c));
                k += 2;
                continue;
            }
        }
        folded += static_cast<char>(byte < 0x80 ? static_cast<unsigned char>(Small(byte)) : byte);
        ++k;
    }
    return folded;
}

}  // namespace library
