#include "Templates.h"

#include <cctype>
#include <cstdio>

#include "DeviceIds.h"
#include "Error.h"

namespace midilink {

namespace {

void AppendHexByte(std::string& out, unsigned value) {
    static const char kDigits[] = "0123456789ABCDEF";
    out.push_back(kDigits[(value >> 4) & 0x0F]);
    out.push_back(kDigits[value & 0x0F]);
}

[[noreturn]] void ThrowInvalidHex(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    throw Error("Invalid hex string " + upper);
}

}  // namespace

int NibbleOf(std::uint32_t value, int k) {
    if (k < 0 || k > 7) return 0;
    return static_cast<int>((value >> (4 * k)) & 0x0F);
}

std::string ExpandTemplate(std::string_view tmpl, std::int32_t value) {
    const auto unsignedValue = static_cast<std::uint32_t>(value);
    std::string result;
    result.reserve(tmpl.size());
    for (std::size_t p = 0; p + 1 < tmpl.size(); p += 2) {
        const char c1 = tmpl[p];
        const char c2 = tmpl[p + 1];
        const int k = c2 - '0';
        // A placeholder whose digit is out of range would shift past the value or name a
        // device-ID slot that cannot exist; it is refused as the malformed pair it is.
        if (c1 == 'd') {
            if (k < 0 || k > 3) ThrowInvalidHex(tmpl.substr(p, 2));
            AppendHexByte(result, (unsignedValue >> (7 * k)) & 0x7F);
        } else if (c1 == 'n') {
            if (k < 0 || k > 7) ThrowInvalidHex(tmpl.substr(p, 2));
            AppendHexByte(result, static_cast<unsigned>(NibbleOf(unsignedValue, k)));
        } else if (c1 == 'v') {
            if (k < 0 || k > 9) ThrowInvalidHex(tmpl.substr(p, 2));
            AppendHexByte(result, static_cast<unsigned>(GetDeviceId(k)));
        } else {
            result.push_back(c1);
            result.push_back(c2);
        }
    }
    return result;
}

std::int32_t HexToInt(std::string_view text) {
    std::uint32_t result = 0;
    for (char raw : text) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            ThrowInvalidHex(text);
        result = (result << 4) | digit;
    }
    return static_cast<std::int32_t>(result);
}

std::uint8_t HexPairToByte(char high, char low) {
    auto nibble = [](char c) -> int { return (c >= 'A' && c <= 'F') ? c - 0x41 + 10 : c - 0x30; };
    return static_cast<std::uint8_t>((nibble(high) * 16 + nibble(low)) & 0xFF);
}

bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, int n) {
    for (int i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

std::string FillFields(std::string_view tmpl, std::initializer_list<int> fields) {
    static constexpr std::string_view kField = "%0.2x";
    std::string result;
    result.reserve(tmpl.size());
    auto next = fields.begin();
    std::size_t pos = 0;
    while (pos < tmpl.size()) {
        if (next != fields.end() && tmpl.substr(pos, kField.size()) == kField) {
            AppendHexByte(result, static_cast<unsigned>(*next++) & 0xFF);
            pos += kField.size();
        } else {
            result.push_back(tmpl[pos++]);
        }
    }
    return result;
}

std::uint8_t RolandChecksum(const std::uint8_t* data, int count) {
    unsigned sum = 0;
    for (int i = 0; i < count; ++i) sum += data[i];
    return static_cast<std::uint8_t>((0x80 - (sum % 128)) & 0x7F);
}

void UpdateChecksum(std::uint8_t* data, int size, TChecksumType type) {
    if (type != ctRoland || size < 2) return;
    const int summed = size - 2 - 5;  // bytes 5 .. size-3
    data[size - 2] = RolandChecksum(data + 5, summed > 0 ? summed : 0);
}

}  // namespace midilink
