#include "td7/transfers/DamagedRecords.h"

#include "td7/map/RecordName.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/Transfers.h"

namespace td7 {

std::vector<TDamagedRecord> DamagedAmong(TTd7Collections& dumps,
                                         const std::vector<TRecordRef>& records) {
    std::vector<TDamagedRecord> damaged;
    for (const TRecordRef& r : records) {
        std::string fault = dumps.Damaged.Fault(dumps.Of(r.Kind).Records(r.Index));
        if (!fault.empty()) damaged.push_back({r, std::move(fault)});
    }
    return damaged;
}

std::string DamagedRecordsText(const std::vector<TDamagedRecord>& damaged) {
    // Another maker's patch is 78 foreign records; the first few tell enough.
    constexpr std::size_t kNamed = 5;
    std::string text = std::to_string(damaged.size()) +
                       (damaged.size() == 1 ? " damaged record: " : " damaged records: ");
    for (std::size_t k = 0; k < damaged.size() && k < kNamed; ++k) {
        if (k > 0) text += ", ";
        text += RecordName(damaged[k].Record.Kind, damaged[k].Record.Index) + " (" +
                damaged[k].Fault + ")";
    }
    if (damaged.size() > kNamed) text += " and " + std::to_string(damaged.size() - kNamed) + " more";
    return text;
}

std::string KeptDamagedText(TTd7Collections& dumps, const std::vector<TRecordRef>& saved) {
    const auto damaged = DamagedAmong(dumps, saved);
    if (damaged.empty()) return {};
    return "Saved with " + DamagedRecordsText(damaged) +
           (damaged.size() == 1
                ? "; it is kept as it was read, so the file shows the damage"
                : "; they are kept as they were read, so the file shows the damage");
}

void RefuseDamagedRecords(TTd7Collections& dumps, const std::vector<TRecordRef>& records) {
    const auto damaged = DamagedAmong(dumps, records);
    if (!damaged.empty()) throw TransferError("Nothing was sent: " + DamagedRecordsText(damaged));
}

}  // namespace td7
