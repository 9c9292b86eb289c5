#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Types.h"

namespace midilink {

class TDumpCollection;
class TMidiLink;

// A binding: where a parameter lives in a record and which message sets it in the module.
class TMidiCom {
  public:
    TMidiCom() = default;
    virtual ~TMidiCom();
    TMidiCom(const TMidiCom&) = delete;
    TMidiCom& operator=(const TMidiCom&) = delete;

    int DumpIndex() const { return m_dumpIndex; }
    void SetDumpIndex(int index) { m_dumpIndex = index; }
    TDumpCollection* MidiDump() const { return m_dump; }
    void SetMidiDump(TDumpCollection* dump);
    TMidiLink* MidiLink() const { return m_link; }
    void SetMidiLink(TMidiLink* link);
    TChecksumType ChecksumType() const { return m_checksumType; }
    void SetChecksumType(TChecksumType type) { m_checksumType = type; }
    const std::string& MidiCommand() const { return m_command; }
    void SetMidiCommand(std::string command) { m_command = std::move(command); }

    virtual void UpdateFromDump() = 0;
    // How many record bytes from DumpIndex the binding reads and writes.
    virtual int ByteCount() const = 0;

    // Called by a collection or link that is going away: forget it without further calls.
    void ForgetDump() { m_dump = nullptr; }
    void ForgetLink() { m_link = nullptr; }

  private:
    TMidiLink* m_link = nullptr;
    TDumpCollection* m_dump = nullptr;
    int m_dumpIndex = 0;
    TChecksumType m_checksumType = ctNone;
    std::string m_command;
};

// A binding of one numeric value: control value v is stored and sent as v + Offset,
// laid into the record by DumpMode, with DataWidth-bit two's complement when Negatives.
class TValueMidiCom : public TMidiCom {
  public:
    using ValueEvent = std::function<void(TValueMidiCom* sender, std::int32_t value)>;

    int Offset() const { return m_offset; }
    void SetOffset(int offset) { m_offset = offset; }
    int Default() const { return m_default; }
    void SetDefault(int value) { m_default = value; }
    bool Negatives() const { return m_negatives; }
    void SetNegatives(bool value) { m_negatives = value; }
    int DataWidth() const { return m_dataWidth; }
    void SetDataWidth(int width) { m_dataWidth = width; }
    TDumpMode DumpMode() const { return m_dumpMode; }
    void SetDumpMode(TDumpMode mode) { m_dumpMode = mode; }

    ValueEvent OnValue;

    // After a user change: store in the current record, then send the template.
    void SetValue(std::int32_t value);
    // Reads the current record and reports the value through OnValue; sends nothing.
    void UpdateFromDump() override;

    // The stored value for a control value (Offset and the DataWidth wrap applied), and
    // the control value for a stored value: the pure arithmetic of the two directions.
    std::int32_t StoredFor(std::int32_t value) const;
    std::int32_t ValueFor(std::int32_t stored) const;
    std::int32_t WithinWidth(std::int32_t stored) const;
    // How many record bytes the value takes (one, or two in the two-byte modes), and those
    // bytes for a control value, first byte first, as SetValue writes them.
    int ByteCount() const override { return m_dumpMode == dm1Byte ? 1 : 2; }
    void LayValue(std::int32_t value, std::uint8_t bytes[2]) const;
    // The control value that record bytes (ByteCount of them) hold.
    std::int32_t ReadValue(const std::uint8_t* bytes) const;

  private:
    int m_offset = 0;
    int m_default = 0;
    bool m_negatives = false;
    int m_dataWidth = 7;
    TDumpMode m_dumpMode = dm1Byte;
};

}  // namespace midilink
