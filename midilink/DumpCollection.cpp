#include "DumpCollection.h"

#include <algorithm>

#include "Error.h"
#include "MidiCom.h"
#include "MidiLink.h"
#include "Templates.h"

namespace midilink {

TDumpCollection::TDumpCollection(std::string name) : m_name(std::move(name)) {}

TDumpCollection::~TDumpCollection() {
    if (m_link) m_link->RemoveDump(this);
    for (TMidiCom* com : m_coms) com->ForgetDump();
}

void TDumpCollection::SetSize(int size) {
    m_size = size;
    for (auto& record : m_records) record->SetSize(size);
}

void TDumpCollection::SetChecksum(TChecksumType type) {
    if (m_size - m_headerSize <= 0) throw Error("Size to small to accomodate checksum byte");
    m_checksum = type;
}

void TDumpCollection::SetCount(int count) {
    if (count < 0) count = 0;
    while (Count() > count) m_records.pop_back();
    while (Count() < count) {
        auto record = std::make_unique<TMidiDump>(this);
        record->SetSize(m_size);
        m_records.push_back(std::move(record));
    }
    // A current record that no longer exists would leave every binding reading freed
    // storage; the collection falls back to "not indexed".
    if (m_index >= Count()) m_index = -1;
}

void TDumpCollection::SetIndex(int index) {
    if (index >= Count()) throw Error("Index out of bounds");
    m_index = index < -1 ? -1 : index;
    if (m_index >= 0) UpdateComs();
}

void TDumpCollection::SetMidiLink(TMidiLink* link) {
    if (link == m_link) return;
    if (m_link) m_link->RemoveDump(this);
    m_link = link;
    if (m_link) m_link->AddDump(this);
}

void TDumpCollection::SetModified(bool value) {
    m_modified = value;
    if (OnChange) OnChange(this, -1);
}

TMidiDump& TDumpCollection::Records(int i) {
    if (i < 0 || i >= Count()) throw Error("Index out of bounds");
    return *m_records[i];
}

TMidiDump& TDumpCollection::Current() {
    if (m_index < 0) throw Error("Collection in not indexed");
    return Records(m_index);
}

std::uint8_t TDumpCollection::ReadByte(int pos) {
    if (m_index < 0) throw Error("Cannot read data from unindexed collection (" + m_name + ")");
    return Current().Bytes(pos);
}

void TDumpCollection::WriteByte(int pos, std::uint8_t value) {
    if (m_index < 0) throw Error("Cannot write data to unindexed collection (" + m_name + ")");
    Current().SetBytes(pos, value);
}

void TDumpCollection::PrepareRecord(int i) {
    TMidiDump& record = Records(i);
    if (OnPrepare) OnPrepare(this, i, record.Data(), record.Size());
    record.Seal();
}

void TDumpCollection::SendRecord(int i) {
    TMidiDump& record = Records(i);
    PrepareRecord(i);
    if (m_link) m_link->SendBuffer(record.Data(), record.Size());
}

void TDumpCollection::SendCurrent() {
    if (m_index < 0) throw Error("Collection in not indexed");
    SendRecord(m_index);
}

void TDumpCollection::PrepareCurrent() {
    if (m_index < 0) throw Error("Collection in not indexed");
    PrepareRecord(m_index);
}

void TDumpCollection::Exchange(int i, int j) {
    Records(i);
    Records(j);
    std::swap(m_records[i], m_records[j]);
    m_modified = true;
    if (OnChange) OnChange(this, -1);
    if (i == m_index || j == m_index) UpdateComs();
}

void TDumpCollection::Move(int from, int to) {
    Records(from);
    Records(to);
    auto record = std::move(m_records[from]);
    m_records.erase(m_records.begin() + from);
    m_records.insert(m_records.begin() + to, std::move(record));
    m_modified = true;
    if (OnChange) OnChange(this, -1);
}

void TDumpCollection::UpdateComs() {
    // A binding's refresh may raise; the ones after it are then not refreshed.
    for (TMidiCom* com : m_coms) com->UpdateFromDump();
}

void TDumpCollection::AddCom(TMidiCom* com) {
    if (std::find(m_coms.begin(), m_coms.end(), com) == m_coms.end()) m_coms.push_back(com);
}

void TDumpCollection::RemoveCom(TMidiCom* com) {
    std::erase(m_coms, com);
}

void TDumpCollection::RecordChanged(TMidiDump* record) {
    m_modified = true;
    if (!OnChange) return;
    // An edit changes the current record: found without a search.
    int position =
        m_index >= 0 && m_index < Count() && m_records[m_index].get() == record ? m_index : -1;
    for (int i = 0; position < 0 && i < Count(); ++i)
        if (m_records[i].get() == record) position = i;
    OnChange(this, position);
}

bool TDumpCollection::MatchMessage(const std::uint8_t* message, int length) {
    // A message shorter than a record cannot be one: copying it would read past its end.
    if (length < m_size || length < m_headerSize) return false;
    bool resolved = false;
    for (int j = 0; j < Count(); ++j) {
        TMidiDump& record = *m_records[j];
        if (OnPrepare) OnPrepare(this, j, record.Data(), record.Size());
        // Only the header takes part in the comparison, and a match overwrites the whole
        // record, so the checksum is left for the next Seal (every send, save and view
        // seals) unless the header reaches into the checksum or the final F7.
        if (m_headerSize + 2 > m_size)
            record.Seal();
        else
            record.Data()[0] = 0xF0;
        if (!SameBytes(record.Data(), message, m_headerSize)) continue;
        record.CopyFrom(message);
        SetModified(true);
        resolved = true;
        if (j == m_index) UpdateComs();
    }
    return resolved;
}

}  // namespace midilink
