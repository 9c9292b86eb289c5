#include "td7/map/RecordCheck.h"

#include <algorithm>
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
        m_marks[&record] = {{record.Data(), record.Data() + record.Size()}, std::move(check.Text)};
}

bool TDamagedRecords::Holds(const TMark& mark, const std::uint8_t* record, int size) {
    const std::vector<std::uint8_t>& read = mark.Bytes;
    return static_cast<int>(read.size()) == size && size >= kFrameBytes &&
           std::equal(record + kHeaderSize, record + size - 2, read.begin() + kHeaderSize);
}

const TDamagedRecords::TMark* TDamagedRecords::Holding(const midilink::TMidiDump& record) const {
    const auto mark = m_marks.find(&record);
    if (mark == m_marks.end() || !Holds(mark->second, record.Data(), record.Size())) return nullptr;
    return &mark->second;
}

std::string TDamagedRecords::Fault(const midilink::TMidiDump& record) const {
    const TMark* mark = Holding(record);
    return mark ? mark->Fault : std::string();
}

const std::vector<std::uint8_t>* TDamagedRecords::AsRead(const midilink::TMidiDump& record) const {
    const TMark* mark = Holding(record);
    return mark ? &mark->Bytes : nullptr;
}

std::optional<TDamagedRecords::TMark> TDamagedRecords::MarkOf(
    const midilink::TMidiDump& record) const {
    const auto mark = m_marks.find(&record);
    if (mark == m_marks.end()) return std::nullopt;
    return mark->second;
}

void TDamagedRecords::SetMark(const midilink::TMidiDump& record, std::optional<TMark> mark) {
    if (mark)
        m_marks[&record] = std::move(*mark);
    else
        m_marks.erase(&record);
}

}  // namespace td7
