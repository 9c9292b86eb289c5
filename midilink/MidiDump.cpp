#include "MidiDump.h"

#include <algorithm>
#include <cstdio>
#include <istream>
#include <ostream>

#include "DumpCollection.h"
#include "Error.h"
#include "Templates.h"

namespace midilink {

TMidiDump::TMidiDump(TDumpCollection* owner) : m_data(kInitialCapacity, 0), m_owner(owner) {}

std::uint8_t TMidiDump::Bytes(int pos) const {
    if (pos < 0 || pos >= m_size) throw Error("Index out of range");
    return m_data[pos];
}

void TMidiDump::SetBytes(int pos, std::uint8_t value) {
    if (pos < 0 || pos >= m_size) throw Error("Index out of range");
    m_data[pos] = value;
    if (m_owner && pos >= m_owner->HeaderSize()) m_owner->RecordChanged(this);
}

void TMidiDump::SetSize(int n) {
    if (n < 0) n = 0;
    if (n > Capacity()) m_data.resize(n);
    m_size = n;
    Clear();
}

void TMidiDump::Clear() {
    std::fill(m_data.begin(), m_data.end(), 0);
}

void TMidiDump::CopyFrom(const std::uint8_t* src) {
    std::copy(src, src + m_size, m_data.begin());
}

void TMidiDump::LoadFromStream(std::istream& stream) {
    // Read into a scratch copy first so that a short stream leaves the record as it was.
    std::vector<std::uint8_t> scratch(m_size);
    stream.read(reinterpret_cast<char*>(scratch.data()), m_size);
    if (stream.gcount() != m_size) throw Error("Stream read error");
    std::copy(scratch.begin(), scratch.end(), m_data.begin());
    if (m_owner) {
        m_owner->RecordChanged(this);
        if (m_owner->Index() >= 0 && &m_owner->Current() == this) m_owner->UpdateComs();
    }
}

void TMidiDump::SaveToStream(std::ostream& stream) {
    Seal();
    stream.write(reinterpret_cast<const char*>(m_data.data()), m_size);
    if (!stream) throw Error("Stream write error");
}

void TMidiDump::ToStrings(std::vector<std::string>& lines, int perLine) {
    lines.clear();
    AddToStrings(lines, perLine);
}

void TMidiDump::AddToStrings(std::vector<std::string>& lines, int perLine) {
    Seal();
    if (perLine < 1) perLine = 1;
    std::string line;
    char hex[4];
    for (int i = 0; i < m_size; ++i) {
        std::snprintf(hex, sizeof hex, "%02X ", m_data[i]);
        line += hex;
        if ((i + 1) % perLine == 0) {
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(line);
}

void TMidiDump::Seal() {
    // A record too short for the frame keeps what fits.
    if (m_size >= 1) m_data[0] = 0xF0;
    UpdateChecksum(m_data.data(), m_size, m_owner ? m_owner->Checksum() : ctNone);
    if (m_size >= 2) m_data[m_size - 1] = 0xF7;
}

}  // namespace midilink
