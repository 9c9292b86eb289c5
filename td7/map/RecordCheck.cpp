#include "td7/map/RecordCheck.h"

#include <cstdio>

#include "midilink/MidiDump.h"
#include "midilink/Templates.h"
#include "midilink/Types.h"
#include "td7/map/Td7Map.h"

namespace td7 {

namespace {

std::string Hex(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

// The bytes between the header and the checksum: what the module would take.
std::vector<std::uint8_t> DataOf(const midilink::TMidiDump& record) {
    const std::uint8_t* data = record.Data();
    const int size = record.Size();
    if (size <= kFrameBytes) return {};
    return {data + kHeaderSize, data + size - 2};
}

}  // namespace

TRecordCheck CheckRecord(const std::uint8_t* record, int size) {
    if (size < kFrameBytes || record[0] != midilink::kSysexStart ||
        record[size - 1] != midilink::kSysexEnd)
        return {TRecordFault::Frame, "not framed by F0 .. F7"};
    if (record[1] != midilink::kRolandId || record[3] != kTd7ModelId ||
        record[4] != midilink::kDataSet)
        return {TRecordFault::Foreign, "not a TD-7 data-set message"};
    const std::uint8_t expected = midilink::RolandChecksum(record + 5, size - 7);
    if (record[size - 2] != expected)
        return {TRecordFault::Checksum,
                "checksum " + Hex(record[size - 2]) + ", should be " + Hex(expected)};
    return {};
}

void TDamagedRecords::Check(const midilink::TMidiDump& record) {
    TRecordCheck check = CheckRecord(record.Data(), record.Size());
    if (check.Fault == TRecordFault::None)
        m_marks.erase(&record);
    else
        m_marks[&record] = {DataOf(record), std::move(check.Text)};
}

std::string TDamagedRecords::Fault(const midilink::TMidiDump& record) const {
    const auto mark = m_marks.find(&record);
    if (mark == m_marks.end() || mark->second.Data != DataOf(record)) return {};
    return mark->second.Fault;
}

}  // namespace td7
