#include "td7/transfers/ReadBack.h"

#include <algorithm>

#include "midilink/Templates.h"
#include "midilink/Types.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/RecordName.h"

namespace td7 {

std::vector<TRecordRef> PatchRecords(int p) {
    std::vector<TRecordRef> records;
    records.reserve(kRecordsPerPatch);
    records.push_back({Block::Prog, p});
    for (int t = 0; t < kTriggersPerPatch; ++t)
        records.push_back({Block::Trigger, TriggerRecord(p, t)});
    for (int n = 0; n < kNotesPerPatch; ++n)
        records.push_back({Block::Notemap, NotemapRecord(p, n)});
    return records;
}

std::vector<TRecordRef> PresentPatchRecords(const TPresentFlags& present) {
    std::vector<TRecordRef> records;
    for (int p = 0; p < kPatchCount; ++p) {
        if (!present.PatchPresent(p)) continue;
        const auto patch = PatchRecords(p);
        records.insert(records.end(), patch.begin(), patch.end());
    }
    return records;
}

std::vector<TRecordRef> InstrumentRecords() {
    std::vector<TRecordRef> records;
    records.reserve(kInstrumentCount);
    for (int i = 0; i < kInstrumentCount; ++i) records.push_back({Block::Instrument, i});
    return records;
}

std::vector<TRecordRef> SystemRecords() {
    return {{Block::System, 0}};
}

std::string RequestBytes(const TRecordRef& record) {
    const std::string text = midilink::ExpandTemplate(RequestCommand(record.Kind, record.Index), 0);
    std::vector<std::uint8_t> bytes;
    for (std::size_t k = 0; k + 1 < text.size(); k += 2)
        bytes.push_back(midilink::HexPairToByte(text[k], text[k + 1]));
    midilink::UpdateChecksum(bytes.data(), static_cast<int>(bytes.size()), midilink::ctRoland);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string shown;
    for (std::uint8_t byte : bytes) {
        if (!shown.empty()) shown += ' ';
        shown += kDigits[byte >> 4];
        shown += kDigits[byte & 0x0F];
    }
    return shown;
}

std::string SentSummary(int sent) {
    return sent == 1 ? "1 dump sent" : "All " + std::to_string(sent) + " dumps sent";
}

std::string VerifySummary(int checked, const std::vector<TRecordRef>& failed) {
    if (failed.empty())
        return checked == 1 ? "1 dump verified"
                            : "All " + std::to_string(checked) + " dumps verified";
    // A module that stopped answering leaves thousands; the first ones tell enough.
    constexpr std::size_t kNamed = 20;
    std::string text = std::to_string(failed.size()) + (failed.size() == 1 ? " dump" : " dumps") +
                       " could not be verified: ";
    for (std::size_t k = 0; k < failed.size() && k < kNamed; ++k) {
        if (k > 0) text += ", ";
        text += RecordName(failed[k].Kind, failed[k].Index);
    }
    if (failed.size() > kNamed) text += " and " + std::to_string(failed.size() - kNamed) + " more";
    return text;
}

bool SameData(Block block, const std::uint8_t* a, const std::uint8_t* b) {
    return std::equal(a + kHeaderSize, a + kHeaderSize + DataBytes(block), b + kHeaderSize);
}

TReadBack::TReadBack() = default;

int TReadBack::Key(const TRecordRef& record) {
    int key = record.Index;
    for (Block block : kAllBlocks) {
        if (block == record.Kind) break;
        key += InfoOf(block).Count;
    }
    return key;
}

TReadBack::Owed& TReadBack::OwedTo(const TRecordRef& record) {
    const auto key = static_cast<std::size_t>(Key(record));
    if (m_owed.size() <= key) m_owed.resize(key + 1);
    return m_owed[key];
}

void TReadBack::Expect(const TRecordRef& record, int deviceId) {
    if (deviceId < 0)
        ++OwedTo(record).Answers;
    else
        ForgetLate(record);
    std::erase_if(m_pending, [&](const Pending& p) { return p.Record == record; });
    m_pending.push_back({record, deviceId});
    const auto key = static_cast<std::size_t>(Key(record));
    if (m_answered.size() <= key) m_answered.resize(key + 1);
    m_answered[key] = false;
}

void TReadBack::Stop() {
    m_pending.clear();
}

bool TReadBack::Answered(const TRecordRef& record) const {
    const auto key = static_cast<std::size_t>(Key(record));
    return key < m_answered.size() && m_answered[key];
}

bool TReadBack::IsAnswerTo(const TRecordRef& record, const std::uint8_t* message, int length) {
    if (message == nullptr) return false;
    const int size = InfoOf(record.Kind).Size;
    if (length != size || message[0] != midilink::kSysexStart ||
        message[1] != midilink::kRolandId || message[3] != kTd7ModelId ||
        message[4] != midilink::kDataSet || message[size - 1] != midilink::kSysexEnd)
        return false;
    // The address says which record answers; byte 2, the device ID, does not matter.
    const Address address = AddressOf(record.Kind, record.Index);
    return std::equal(address.begin(), address.end(), message + 5);
}

bool TReadBack::TakeLate(const std::uint8_t* message, int length) {
    if (message == nullptr || length <= kHeaderSize) return false;
    const auto at = RecordAtAddress({message[5], message[6], message[7], message[8]});
    if (!at) return false;
    const TRecordRef record{at->first, at->second};
    if (!IsAnswerTo(record, message, length)) return false;
    const auto key = static_cast<std::size_t>(Key(record));
    if (key >= m_owed.size()) return false;
    Owed& owed = m_owed[key];
    if (owed.Answers > 0) {
        --owed.Answers;
        owed.Last.assign(message, message + length);
        return true;
    }
    return !owed.Last.empty() && SameData(record.Kind, owed.Last.data(), message);
}

void TReadBack::ForgetLate(const TRecordRef& record) {
    const auto key = static_cast<std::size_t>(Key(record));
    if (key < m_owed.size()) m_owed[key] = {};
}

bool TReadBack::Offer(const std::uint8_t* message, int length) {
    const auto match = std::find_if(m_pending.begin(), m_pending.end(), [&](const Pending& p) {
        return IsAnswerTo(p.Record, message, length) &&
               (p.DeviceId < 0 || message[2] == p.DeviceId);
    });
    if (match == m_pending.end()) return false;
    const TRecordRef record = match->Record;
    m_pending.erase(match);
    m_copy.Of(record.Kind).Records(record.Index).CopyFrom(message);
    m_answered[static_cast<std::size_t>(Key(record))] = true;
    return true;
}

bool TReadBack::SameAsMirror(TTd7Collections& mirror, const TRecordRef& record) {
    return SameData(record.Kind, m_copy.Of(record.Kind).Records(record.Index).Data(),
                    mirror.Of(record.Kind).Records(record.Index).Data());
}

}  // namespace td7
