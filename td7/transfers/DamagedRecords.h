#pragma once

// Refusing damaged records by name before they are sent or written (see RecordCheck.h).

#include <string>
#include <vector>

#include "td7/transfers/ReadBack.h"

namespace td7 {

class TTd7Collections;

struct TDamagedRecord {
    TRecordRef Record;
    std::string Fault;
};

// The damaged ones among `records`, in their order.
std::vector<TDamagedRecord> DamagedAmong(TTd7Collections& dumps,
                                         const std::vector<TRecordRef>& records);

// "1 damaged record: patch 1 note 40 (checksum 16, should be 0E)", or "N damaged records: "
// and the first five named, then how many more.
std::string DamagedRecordsText(const std::vector<TDamagedRecord>& damaged);

// After a save: "Saved with " and the text above, and that the file keeps them as they were
// read; empty when none of the `saved` records is damaged.
std::string KeptDamagedText(TTd7Collections& dumps, const std::vector<TRecordRef>& saved);

// TransferError "Nothing was sent: " and the text above, when any of `records` is damaged.
void RefuseDamagedRecords(TTd7Collections& dumps, const std::vector<TRecordRef>& records);

}  // namespace td7
