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

void TValueMidiCom::SetValue(std::int32_t value) {
    if (TDumpCollection* dump = MidiDump()) {
        const auto s = static_cast<std::uint32_t>(StoredFor(value));
        const int at = DumpIndex();
        // The first byte is written first, as the module's tools do; a failing write
        // (unindexed collection, position outside the record) stops before sending.
        switch (DumpMode()) {
            case dm1Byte:
                dump->WriteByte(at, static_cast<std::uint8_t>(s & 0xFF));
                break;
            case dm2Bytes:
                dump->WriteByte(at, static_cast<std::uint8_t>((s >> 7) & 0x7F));
                dump->WriteByte(at + 1, static_cast<std::uint8_t>(s & 0x7F));
                break;
            case dm2BytesEx:
                dump->WriteByte(at, static_cast<std::uint8_t>(s & 0x7F));
                dump->WriteByte(at + 1, static_cast<std::uint8_t>((s >> 7) & 0x7F));
                break;
            case dm2Nibbles:
                dump->WriteByte(at, static_cast<std::uint8_t>((s & 0xF0) >> 4));
                dump->WriteByte(at + 1, static_cast<std::uint8_t>(s & 0x0F));
                break;
            case dm2NibblesEx:
                dump->WriteByte(at, static_cast<std::uint8_t>(s & 0x0F));
                dump->WriteByte(at + 1, static_cast<std::uint8_t>((s & 0xF0) >> 4));
                break;
        }
    }
    // The message carries the bytes the record holds, so that a module which keeps what it
    // is sent answers with the same form a transmission would send. For 7-bit values the
    // wrap changes nothing; for a wider signed value (the instrument pitch) -1 goes out as
    // 07 7F, not 7F 7F.
    if (TMidiLink* link = MidiLink(); link && !MidiCommand().empty())
        link->SendCommand(MidiCommand(), StoredFor(value), ChecksumType());
}

void TValueMidiCom::UpdateFromDump() {
    TDumpCollection* dump = MidiDump();
    if (!dump) return;
    const int at = DumpIndex();
    std::int32_t r = 0;
    switch (DumpMode()) {
        case dm1Byte:
            r = dump->ReadByte(at);
            break;
        case dm2Bytes:
            r = WithinWidth(dump->ReadByte(at) * 128 + dump->ReadByte(at + 1));
            break;
        case dm2BytesEx:
            r = WithinWidth(dump->ReadByte(at + 1) * 128 + dump->ReadByte(at));
            break;
        case dm2Nibbles:
            r = (dump->ReadByte(at) & 0x0F) * 16 + (dump->ReadByte(at + 1) & 0x0F);
            break;
        case dm2NibblesEx:
            r = (dump->ReadByte(at + 1) & 0x0F) * 16 + (dump->ReadByte(at) & 0x0F);
            break;
    }
    if (OnValue) OnValue(this, ValueFor(r));
}

}  // namespace midilink
