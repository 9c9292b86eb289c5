#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace midilink {

class TDumpCollection;

// One record of a dump collection: a complete system-exclusive data-set message of the
// collection's Size. Storage is allocated once (1024 bytes, grown only), so a received
// message is copied in place without allocating.
class TMidiDump {
  public:
    static constexpr int kInitialCapacity = 1024;

    explicit TMidiDump(TDumpCollection* owner);
    TMidiDump(const TMidiDump&) = delete;
    TMidiDump& operator=(const TMidiDump&) = delete;

    std::uint8_t* Data() { return m_data.data(); }
    const std::uint8_t* Data() const { return m_data.data(); }
    int Size() const { return m_size; }
    int Capacity() const { return static_cast<int>(m_data.size()); }
    TDumpCollection* Owner() const { return m_owner; }

    // Checked access; "Index out of range" outside 0..Size-1. A write at or after the
    // owner's HeaderSize tells the owner (Modified, OnChange).
    std::uint8_t Bytes(int pos) const;
    void SetBytes(int pos, std::uint8_t value);

    // Grows the storage if needed, sets Size, and zeroes the record.
    void SetSize(int n);
    void Clear();
    // Copies Size bytes from src.
    void CopyFrom(const std::uint8_t* src);

    // Reads Size bytes as they stand (no Seal). Raises "Stream read error" and keeps the
    // record unchanged when fewer than Size bytes are left.
    void LoadFromStream(std::istream& stream);
    // Seals, then writes Size bytes. Raises "Stream write error" when the stream fails.
    void SaveToStream(std::ostream& stream);

    // Hex lines "XX XX ... " with perLine bytes a line (after a Seal).
    void ToStrings(std::vector<std::string>& lines, int perLine);
    void AddToStrings(std::vector<std::string>& lines, int perLine);

    // Byte 0 = F0, checksum by the owner's rule, last byte = F7.
    void Seal();

  private:
    std::vector<std::uint8_t> m_data;
    int m_size = 2;
    TDumpCollection* m_owner;
};

}  // namespace midilink
