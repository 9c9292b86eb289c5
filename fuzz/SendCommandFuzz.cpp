// Template expansion and SendCommand over any template, value, checksum type and device-ID
// table. Only midilink::Error may come out; every message sent must be the expanded text
// cut as the link cuts it: a system-exclusive message from F0 through F7 (or the end) with
// the checksum in the byte before its last, a short message from a status byte up to the
// next one.

#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "midilink/DeviceIds.h"
#include "midilink/Error.h"
#include "midilink/MidiLink.h"
#include "midilink/Templates.h"
#include "tests/support/RecordingLink.h"

namespace {

using midilink::HexPairToByte;

// Every pair of the expanded text as the lenient conversion reads it.
std::vector<std::uint8_t> PairBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t p = 0; p + 1 < text.size(); p += 2)
        bytes.push_back(HexPairToByte(text[p], text[p + 1]));
    return bytes;
}

void CheckMessages(const testsupport::RecordingLink& link, const std::string& expanded,
                   midilink::TChecksumType checksum, bool raised) {
    const std::vector<std::uint8_t> bytes = PairBytes(expanded);
    std::size_t at = 0;
    for (const auto& message : link.messages) {
        FUZZ_CHECK(at < bytes.size());
        const std::int32_t first = midilink::HexToInt(std::string_view(expanded).substr(2 * at, 2));
        if (message.isLong) {
            FUZZ_CHECK(first == 0xF0);
            const std::vector<std::uint8_t>& m = message.bytes;
            const std::size_t n = m.size();
            FUZZ_CHECK(n >= 2 &&
                       n <= static_cast<std::size_t>(midilink::TMidiLink::kSysexBufferSize));
            FUZZ_CHECK(at + n <= bytes.size());
            unsigned sum = 0;
            for (std::size_t i = 0; i < n; ++i) {
                // Only the last byte may be F7; the message ends there or with the text.
                if (i + 1 < n) FUZZ_CHECK(bytes[at + i] != 0xF7 || i == 0);
                if (i == n - 2) continue;
                FUZZ_CHECK(m[i] == bytes[at + i]);
                if (i >= 5 && i + 1 < n) sum += bytes[at + i];
            }
            FUZZ_CHECK(bytes[at + n - 1] == 0xF7 || at + n == bytes.size());
            if (n - 2 >= 5) sum += bytes[at + n - 2];  // the template's own checksum byte
            const std::uint8_t place = checksum == midilink::ctRoland
                                           ? static_cast<std::uint8_t>((0x80 - sum % 128) & 0x7F)
                                           : 0;
            FUZZ_CHECK(m[n - 2] == place);
            at += n;
        } else {
            FUZZ_CHECK(first != 0xF0);
            std::size_t n = 1;
            while (at + n < bytes.size() && bytes[at + n] < 0x80 && n < 4) ++n;
            // A fifth data byte makes no MIDI message; the link refuses it unsent.
            FUZZ_CHECK(!(at + n < bytes.size() && bytes[at + n] < 0x80));
            std::uint32_t word = 0;
            for (std::size_t i = 0; i < n; ++i) word |= std::uint32_t{bytes[at + i]} << (8 * i);
            FUZZ_CHECK(message.shortMessage == word);
            at += n;
        }
    }
    // Without an error every pair went out.
    if (!raised) FUZZ_CHECK(at == bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const auto value = static_cast<std::int32_t>(in.Word());
    const auto checksum = static_cast<midilink::TChecksumType>(in.Byte() % 3);
    midilink::ClearDeviceIds();
    const int ids = in.Byte() % 4;
    for (int k = 0; k < ids; ++k) {
        const std::uint8_t id = in.Byte();
        try {
            midilink::SetDeviceId(k, id);
        } catch (const midilink::Error&) {
            FUZZ_CHECK(id > 0x7F);
        }
    }
    const std::uint8_t mode = in.Byte();
    const auto rest = in.Rest();
    std::string command(rest.begin(), rest.end());
    // Request and name messages arrive with their "%0.2x" fields filled by the caller.
    if (mode & 1) command = midilink::FillFields(command, {mode >> 1, value & 0xFF, 0x7F});

    std::string expanded;
    try {
        expanded = midilink::ExpandTemplate(command, value);
    } catch (const midilink::Error&) {
        testsupport::RecordingLink link;
        try {
            link.SendCommand(command, value, checksum);
        } catch (const midilink::Error&) {
        }
        FUZZ_CHECK(link.messages.empty());  // nothing goes out of a template that cannot expand
        return 0;
    }
    FUZZ_CHECK(expanded.size() == command.size() / 2 * 2);

    testsupport::RecordingLink link;
    bool raised = false;
    try {
        link.SendCommand(command, value, checksum);
    } catch (const midilink::Error&) {
        raised = true;
    }
    CheckMessages(link, expanded, checksum, raised);
    return 0;
}
