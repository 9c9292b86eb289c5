#include "MidiCom.h"

#include "DumpCollection.h"
#include "MidiLink.h"

namespace midilink {

TMidiCom::~TMidiCom() {
    if (m_link) m_link->RemoveCom(this);
    if (m_dump) m_dump->RemoveCom(this);
}

void TMidiCom::SetMidiDump(TDumpCollection* dump) {
    if (dump == m_dump) return;
    // Leaving the old collection's list first keeps it from refreshing a binding that
    // no longer belongs to it.
    if (m_dump) m_dump->RemoveCom(this);
    m_dump = dump;
    if (m_dump) m_dump->AddCom(this);
}

void TMidiCom::SetMidiLink(TMidiLink* link) {
    if (link == m_link) return;
    if (m_link) m_link->RemoveCom(this);
    m_link = link;
    if (m_link) m_link->AddCom(this);
}

std::int32_t TValueMidiCom::StoredFor(std::int32_t value) const {
    if (m_negatives && value < 0) {
        const std::int64_t wrapped = (std::int64_t{1} << m_dataWidth) + m_offset + value;
        return static_cast<std::int32_t>(wrapped);
    }
    return m_offset + value;
}

std::int32_t TValueMidiCom::ValueFor(std::int32_t stored) const {
    if (m_negatives && m_dataWidth > 0 && stored >= (std::int32_t{1} << (m_dataWidth - 1)))
        stored -= std::int32_t{1} << m_dataWidth;
    return stored - m_offset;
}

// A signed value sent as a plain number fills the two bytes' upper bits with its sign (-1
// as 7F 7F); the bits above DataWidth carry nothing, so either form reads back alike.
std::int32_t TValueMidiCom::WithinWidth(std::int32_t stored) const {
    if (!m_negatives || m_dataWidth <= 0 || m_dataWidth >= 14) return stored;
    return stored & ((std::int32_t{1} << m_dataWidth) - 1);
}

void TValueMidiCom::LayValue(std::int32_t value, std::uint8_t bytes[2]) const {
    const auto s = static_cast<std::uint32_t>(StoredFor(value));
    bytes[1] = 0;
    switch (m_dumpMode) {
        case dm1Byte:
            bytes[0] = static_cast<std::uint8_t>(s & 0xFF);
            break;
        case dm2Bytes:
            bytes[0] = static_cast<std::uint8_t>((s >> 7) & 0x7F);
            bytes[1] = static_cast<std::uint8_t>(s & 0x7F);
            break;
        case dm2BytesEx:
            bytes[0] = static_cast<std::uint8_t>(s & 0x7F);
            bytes[1] = static_cast<std::uint8_t>((s >> 7) & 0x7F);
            break;
        case dm2Nibbles:
            bytes[0] = static_cast<std::uint8_t>((s & 0xF0) >> 4);
            bytes[1] = static_cast<std::uint8_t>(s & 0x0F);
            break;
        case dm2NibblesEx:
            bytes[0] = static_cast<std::uint8_t>(s & 0x0F);
            bytes[1] = static_cast<std::uint8_t>((s & 0xF0) >> 4);
            break;
    }
}

void TValueMidiCom::SetValue(std::int32_t value) {
    if (TDumpCollection* dump = MidiDump()) {
        std::uint8_t bytes[2];
        LayValue(value, bytes);
        // The first byte is written first, as the module's tools do; a failing write
        // (unindexed collection, position outside the record) stops before sending.
        for (int k = 0; k < ByteCount(); ++k) dump->WriteByte(DumpIndex() + k, bytes[k]);
    }
    // The message carries the bytes the record holds, so that a module which keeps what it
    // is sent answers with the same form a transmission would send. For 7-bit values the
    // wrap changes nothing; for a wider signed value (the instrument pitch) -1 goes out as
    // 07 7F, not 7F 7F.
    if (TMidiLink* link = MidiLink(); link && !MidiCommand().empty())
        link->SendCommand(MidiCommand(), StoredFor(value), ChecksumType());
}

std::int32_t TValueMidiCom::ReadValue(const std::uint8_t* b) const {
    std::int32_t r = 0;
    switch (m_dumpMode) {
        case dm1Byte:
            r = b[0];
            break;
        case dm2Bytes:
            r = WithinWidth(b[0] * 128 + b[1]);
            break;
        case dm2BytesEx:
            r = WithinWidth(b[1] * 128 + b[0]);
            break;
        case dm2Nibbles:
            r = (b[0] & 0x0F) * 16 + (b[1] & 0x0F);
            break;
        case dm2NibblesEx:
            r = (b[1] & 0x0F) * 16 + (b[0] & 0x0F);
            break;
    }
    return ValueFor(r);
}

void TValueMidiCom::UpdateFromDump() {
    TDumpCollection* dump = MidiDump();
    if (!dump) return;
    std::uint8_t bytes[2] = {0, 0};
    for (int k = 0; k < ByteCount(); ++k) bytes[k] = dump->ReadByte(DumpIndex() + k);
    if (OnValue) OnValue(this, ReadValue(bytes));
}

}  // namespace midilink
