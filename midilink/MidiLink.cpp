#include "MidiLink.h"

#include <algorithm>

#include "DumpCollection.h"
#include "Error.h"
#include "MidiCom.h"
#include "Templates.h"

namespace midilink {

TMidiLink::~TMidiLink() {
    for (TMidiCom* com : m_coms) com->ForgetLink();
    for (TDumpCollection* dump : m_dumps) dump->ForgetLink();
}

void TMidiLink::AddCom(TMidiCom* com) {
    if (std::find(m_coms.begin(), m_coms.end(), com) == m_coms.end()) m_coms.push_back(com);
}

void TMidiLink::RemoveCom(TMidiCom* com) {
    std::erase(m_coms, com);
}

void TMidiLink::AddDump(TDumpCollection* dump) {
    if (std::find(m_dumps.begin(), m_dumps.end(), dump) == m_dumps.end()) m_dumps.push_back(dump);
}

void TMidiLink::RemoveDump(TDumpCollection* dump) {
    std::erase(m_dumps, dump);
}

void TMidiLink::SendCommand(std::string_view command, std::int32_t value, TChecksumType checksum) {
    const std::string text = ExpandTemplate(command, value);
    const std::size_t pairs = text.size() / 2;
    std::size_t p = 0;
    auto pairAt = [&](std::size_t i) { return std::string_view(text).substr(2 * i, 2); };

    while (p < pairs) {
        const std::int32_t first = HexToInt(pairAt(p));
        if (first == 0xF0) {
            // Check the length before a byte is gathered: a message that would not fit
            // the buffer is refused whole instead of overrunning it.
            std::size_t end = p;
            while (end < pairs && HexPairToByte(text[2 * end], text[2 * end + 1]) != 0xF7) ++end;
            const std::size_t length = (end < pairs ? end + 1 : pairs) - p;
            if (length > m_buffer.size())
                throw Error("System exclusive message too long (" + std::to_string(length) +
                            " bytes)");
            if (length < 2) throw Error("System exclusive message too short");

            int i = 0;
            unsigned sum = 0;
            for (;;) {
                const std::uint8_t byte = HexPairToByte(text[2 * p], text[2 * p + 1]);
                m_buffer[i] = byte;
                ++p;
                ++i;
                if (p >= pairs || byte == 0xF7) break;
                if (checksum == ctRoland && i - 1 >= 5) sum += byte;
            }
            if (checksum == ctRoland)
                m_buffer[i - 2] = static_cast<std::uint8_t>((0x80 - (sum % 128)) & 0x7F);
            else
                m_buffer[i - 2] = 0;
            PutLong(m_buffer.data(), i);
        } else {
            std::uint32_t word = 0;
            int i = 0;
            while (p < pairs) {
                const std::uint8_t byte = HexPairToByte(text[2 * p], text[2 * p + 1]);
                if (byte >= 0x80 && i > 0) break;
                // A packed short message holds four bytes; more before the next status
                // byte cannot be a MIDI message.
                if (i == 4) throw Error("Short message too long");
                word |= static_cast<std::uint32_t>(byte) << (8 * i);
                ++p;
                ++i;
            }
            PutShort(word);
        }
    }
}

void TMidiLink::SendBuffer(const std::uint8_t* buffer, int length) {
    PutLong(buffer, length);
}

bool TMidiLink::OfferSysex(const std::uint8_t* message, int length) {
    if (Withhold && Withhold(message, length)) return false;
    bool resolved = false;
    // Indexed, not iterated: a handler run by the matching may detach a collection.
    for (std::size_t i = 0; i < m_dumps.size(); ++i)
        if (m_dumps[i]->MatchMessage(message, length)) resolved = true;
    return resolved;
}

}  // namespace midilink
