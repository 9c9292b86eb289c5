#pragma once

// Reading the module's copy of records back without touching the mirror: which records a
// transfer covers, what a record is called in a report, and the scratch collections that
// take the module's answers. The link never feeds these collections; answers reach them
// only through Offer, matched to the pending request by address.

#include <cstdint>
#include <string>
#include <vector>

#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"

namespace td7 {

class TPresentFlags;

// One record of the mirror by its place.
struct TRecordRef {
    Block Kind;
    int Index;
    bool operator==(const TRecordRef&) const = default;
};

// The records of patch p in sending order (common, triggers, note map).
std::vector<TRecordRef> PatchRecords(int p);
// Every present patch, in slot order.
std::vector<TRecordRef> PresentPatchRecords(const TPresentFlags& present);
std::vector<TRecordRef> InstrumentRecords();
std::vector<TRecordRef> SystemRecords();

// The data request for a record as it goes out, device ID and checksum filled in:
// "F0 41 10 58 11 03 00 00 00 00 00 00 17 66 F7".
std::string RequestBytes(const TRecordRef& record);

// What a transmission that was not read back says: "All N dumps sent" ("1 dump sent").
std::string SentSummary(int sent);

// "All N dumps verified" ("1 dump verified"), or "N dumps could not be verified: " and the
// records' names as RecordName gives them (the first 20, then how many more).
std::string VerifySummary(int checked, const std::vector<TRecordRef>& failed);

// Whether the data bytes of two records of the same block are equal; the headers (device
// ID, address) and checksums do not take part.
bool SameData(Block block, const std::uint8_t* a, const std::uint8_t* b);

class TReadBack {
  public:
    TReadBack();
    TReadBack(const TReadBack&) = delete;
    TReadBack& operator=(const TReadBack&) = delete;

    // Waits for the answer to `record` from now on; an earlier answer no longer counts.
    // Several records may be waited for at once (answers are told apart by address).
    // deviceId >= 0: the answer is a request's, for the mirror, and must carry that device
    // ID, as the mirror's collections take only those. -1: a read-back's ask, whose answer
    // the mirror must never take (see TakeLate).
    void Expect(const TRecordRef& record, int deviceId = -1);
    // Ends every wait unanswered. An answer may still come, however late: TakeLate keeps a
    // read-back's from the mirror, and lets a request's through.
    void Stop();
    // A received system-exclusive message: taken when it is a data set of an expected
    // record's size at its address, whatever device ID it carries (unless one was named).
    bool Offer(const std::uint8_t* message, int length);
    // Every received message, before the mirror sees it: true for an answer to a read-back,
    // which must not reach the mirror, whose data are the user's. A read-back's asks are
    // counted per record and as many answers taken, however late; an answer that repeats
    // the last one taken (a module that answered twice) is taken too.
    bool TakeLate(const std::uint8_t* message, int length);
    // A request of the record's own: its answers are wanted in the mirror again.
    void ForgetLate(const TRecordRef& record);
    // Whether the record's answer came since it was last expected.
    bool Answered(const TRecordRef& record) const;

    // The module's copy as read so far.
    TTd7Collections& Copy() { return m_copy; }
    // Whether the module's copy of the record has the mirror's data bytes.
    bool SameAsMirror(TTd7Collections& mirror, const TRecordRef& record);

  private:
    struct Pending {
        TRecordRef Record;
        int DeviceId;
    };
    static bool IsAnswerTo(const TRecordRef& record, const std::uint8_t* message, int length);
    static int Key(const TRecordRef& record);

    // What a read-back still has coming for a record, by Key.
    struct Owed {
        int Answers = 0;                 // asks not answered yet
        std::vector<std::uint8_t> Last;  // the last answer taken
    };
    Owed& OwedTo(const TRecordRef& record);

    TTd7Collections m_copy{nullptr, {}, {}};
    std::vector<Owed> m_owed;
    std::vector<Pending> m_pending;
    std::vector<bool> m_answered;  // by Key
};

}  // namespace td7
