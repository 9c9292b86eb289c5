#include "td7/triggers/PadHits.h"

#include <stdexcept>
#include <string>

#include "midilink/Error.h"
#include "td7/map/ParameterTable.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/ShownValue.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"

namespace td7 {

namespace {

constexpr std::uint8_t kNoteOn = 0x90;

// What the parameter's control shows for a record. Rows are looked up once: every note of
// a drum roll comes through here.
int Shown(midilink::TDumpCollection& dumps, int record, const TParameter& row) {
    return RecordValue(row, dumps.Records(record).Data());
}

const TParameter& TrigTxCh() {
    static const TParameter& row = ParameterRow("TrigTxCh");
    return row;
}
const TParameter& TxNoteNr() {
    static const TParameter& row = ParameterRow("txNoteNr");
    return row;
}
const TParameter& PxNoteNr() {
    static const TParameter& row = ParameterRow("pxNoteNr");
    return row;
}

void CheckEntry(int t) {
    if (t < 0 || t >= kTriggerSelectorEntries) throw midilink::Error("Index out of bounds");
}

}  // namespace

int TriggerTxChannel(TTd7Collections& dumps, const TPresentFlags& present) {
    if (!present.SystemPresent()) return kDefaultTriggerTxChannel;
    return Shown(dumps.SystemDump, 0, TrigTxCh());
}

int TriggerNote(TTd7Collections& dumps, int p, int t) {
    CheckEntry(t);
    // The note combo boxes show an item index; the item is note 35 + index.
    if (t == kHihatPedalEntry) return Shown(dumps.ProgDump, p, PxNoteNr()) + kFirstNote;
    return Shown(dumps.TriggerDump, TriggerRecord(p, t), TxNoteNr()) + kFirstNote;
}

std::optional<int> TriggerOfNote(TTd7Collections& dumps, int p, int note) {
    for (int t = 0; t < kTriggerSelectorEntries; ++t)
        if (TriggerNote(dumps, p, t) == note) return t;
    return std::nullopt;
}

TPadHitReader::TPadHitReader(TTd7Collections& dumps, const TPresentFlags& present)
    : m_dumps(dumps), m_present(present) {
    m_hits.reserve(kMaxPending);
}

bool TPadHitReader::Read(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                         std::chrono::steady_clock::time_point delivered) {
    // A note-on of velocity 0 is a note-off.
    if ((status & 0xF0) != kNoteOn || data2 == 0 || data1 > 0x7F || data2 > 0x7F) return false;
    const int channel = m_channel ? *m_channel : TriggerTxChannel(m_dumps, m_present);
    if ((status & 0x0F) + 1 != channel) {
        ++m_elsewhere[status & 0x0F];
        return false;
    }
    if (m_hits.size() == kMaxPending) m_hits.erase(m_hits.begin());
    m_hits.push_back({data1, data2, delivered});
    return true;
}

std::vector<TPadHit> TPadHitReader::Take() {
    std::vector<TPadHit> taken;
    taken.reserve(kMaxPending);
    taken.swap(m_hits);
    return taken;
}

void TVelocityHistory::Add(int t, int velocity) {
    CheckEntry(t);
    Entry& entry = m_entries[static_cast<std::size_t>(t)];
    entry.Velocities[static_cast<std::size_t>(entry.Next)] = static_cast<std::uint8_t>(velocity);
    entry.Next = (entry.Next + 1) % kLength;
    if (entry.Count < kLength) ++entry.Count;
}

std::vector<int> TVelocityHistory::Of(int t) const {
    CheckEntry(t);
    const Entry& entry = m_entries[static_cast<std::size_t>(t)];
    std::vector<int> velocities;
    const int first = (entry.Next - entry.Count + kLength) % kLength;
    for (int k = 0; k < entry.Count; ++k)
        velocities.push_back(entry.Velocities[static_cast<std::size_t>((first + k) % kLength)]);
    return velocities;
}

void TVelocityHistory::Clear() {
    m_entries = {};
}

}  // namespace td7
