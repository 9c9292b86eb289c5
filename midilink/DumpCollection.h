#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MidiDump.h"
#include "Types.h"

namespace midilink {

class TMidiCom;
class TMidiLink;

// Holds Count records of one kind; one of them can be current (Index). Bindings read
// and write the current record; received messages are matched against every record's
// header, which OnPrepare rebuilds from the record's position each time.
class TDumpCollection {
  public:
    using PrepareEvent =
        std::function<void(TDumpCollection* sender, int index, std::uint8_t* buffer, int size)>;
    using ChangeEvent = std::function<void(TDumpCollection* sender, int index)>;

    explicit TDumpCollection(std::string name = {});
    ~TDumpCollection();
    TDumpCollection(const TDumpCollection&) = delete;
    TDumpCollection& operator=(const TDumpCollection&) = delete;

    const std::string& Name() const { return m_name; }

    int Size() const { return m_size; }
    void SetSize(int size);  // resizes and zeroes every record
    TChecksumType Checksum() const { return m_checksum; }
    void SetChecksum(TChecksumType type);  // needs Size > HeaderSize
    int Count() const { return static_cast<int>(m_records.size()); }
    void SetCount(int count);
    int Index() const { return m_index; }
    void SetIndex(int index);  // refreshes the bindings for index >= 0
    int HeaderSize() const { return m_headerSize; }
    void SetHeaderSize(int size) { m_headerSize = size; }
    TMidiLink* MidiLink() const { return m_link; }
    void SetMidiLink(TMidiLink* link);
    bool Modified() const { return m_modified; }
    void SetModified(bool value);  // then OnChange(-1)

    PrepareEvent OnPrepare;
    ChangeEvent OnChange;  // index of the changed record, -1 for several or all

    TMidiDump& Records(int i);
    TMidiDump& Current();
    std::uint8_t ReadByte(int pos);
    void WriteByte(int pos, std::uint8_t value);

    void SendRecord(int i);
    void SendCurrent();
    void PrepareCurrent();
    // OnPrepare for record i, then Seal: the record as it would be sent.
    void PrepareRecord(int i);

    void Exchange(int i, int j);
    void Move(int from, int to);

    void UpdateComs();
    void AddCom(TMidiCom* com);
    void RemoveCom(TMidiCom* com);
    const std::vector<TMidiCom*>& Coms() const { return m_coms; }

    void RecordChanged(TMidiDump* record);

    // Offers a received system-exclusive message to every record; every record whose
    // rebuilt header matches takes a copy. Messages shorter than Size are ignored.
    // Returns true when any record took the message.
    bool MatchMessage(const std::uint8_t* message, int length);

    // Called by a link that is going away: forget it without further calls.
    void ForgetLink() { m_link = nullptr; }

  private:
    void CheckIndexed(const char* action) const;

    std::string m_name;
    TChecksumType m_checksum = ctNone;
    int m_index = -1;
    std::vector<std::unique_ptr<TMidiDump>> m_records;
    std::vector<TMidiCom*> m_coms;
    TMidiLink* m_link = nullptr;
    int m_headerSize = 0;
    int m_size = 2;
    bool m_modified = false;
};

}  // namespace midilink
