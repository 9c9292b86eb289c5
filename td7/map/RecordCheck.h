#pragma once

// Records that a file held damaged: a checksum that does not match, or bytes that are no
// TD-7 data-set message at all. Loading keeps them as they were, but every send and every
// save seals a record with a fresh checksum and header, which would pass the damage on as
// sound data; so each record read from a file is checked as it arrives and the damage is
// remembered beside the collections, for the transmissions and the writers to refuse it.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace midilink {
class TMidiDump;
}

namespace td7 {

enum class TRecordFault : std::uint8_t {
    None,
    Frame,     // not framed by F0 .. F7
    Foreign,   // framed, but not a TD-7 data set
    Checksum,  // a TD-7 data set whose checksum does not match its bytes
};

struct TRecordCheck {
    TRecordFault Fault = TRecordFault::None;
    std::string Text;  // "checksum 16, should be 0E"; empty for a sound record
    // Whether the bytes come from a TD-7 at all, damaged or not.
    bool FromTd7() const { return Fault == TRecordFault::None || Fault == TRecordFault::Checksum; }
};

// One record of `size` bytes as a file holds it; any device ID and address are taken.
TRecordCheck CheckRecord(const std::uint8_t* record, int size);

// The marks, by record: a record moved or exchanged with its patch keeps its mark. A mark
// holds only while the record's data bytes are the ones read; whatever replaces them (an
// edit, the module's answer, another file, the library) ends it. Undo and redo write bytes
// back by position, so they put the mark back with them (MarkOf, SetMark): the mark belongs
// to the bytes, not to the record that happens to hold them.
class TDamagedRecords {
  public:
    struct TMark {
        std::vector<std::uint8_t> Bytes;  // the whole record as the file held it
        std::string Fault;
    };

    // After `record` was read from a file: marks it, or ends an earlier mark.
    void Check(const midilink::TMidiDump& record);
    // What was wrong with the record when it was read, while it still holds those data
    // bytes; empty otherwise.
    std::string Fault(const midilink::TMidiDump& record) const;
    // The record as the file held it (its wrong checksum, frame or header too), while it
    // still holds those data bytes: what a save writes, so the damage stays visible.
    const std::vector<std::uint8_t>* AsRead(const midilink::TMidiDump& record) const;

    // The record's mark, holding or not (an edit undone brings it back); none: no mark.
    std::optional<TMark> MarkOf(const midilink::TMidiDump& record) const;
    void SetMark(const midilink::TMidiDump& record, std::optional<TMark> mark);
    bool Empty() const { return m_marks.empty(); }

    // Whether `mark` holds for a record of `size` bytes that holds `record`.
    static bool Holds(const TMark& mark, const std::uint8_t* record, int size);

  private:
    const TMark* Holding(const midilink::TMidiDump& record) const;

    std::map<const midilink::TMidiDump*, TMark> m_marks;
};

}  // namespace td7
