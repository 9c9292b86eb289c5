#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "Types.h"

namespace midilink {

class TDumpCollection;
class TMidiCom;

// Sends what templates and records produce through two abstract outputs, and keeps the
// collections that a concrete link hands every received system-exclusive message to.
class TMidiLink {
  public:
    static constexpr int kSysexBufferSize = 1024;

    TMidiLink() = default;
    virtual ~TMidiLink();
    TMidiLink(const TMidiLink&) = delete;
    TMidiLink& operator=(const TMidiLink&) = delete;

    void AddCom(TMidiCom* com);
    void RemoveCom(TMidiCom* com);
    void AddDump(TDumpCollection* dump);
    void RemoveDump(TDumpCollection* dump);
    const std::vector<TMidiCom*>& Coms() const { return m_coms; }
    const std::vector<TDumpCollection*>& Dumps() const { return m_dumps; }

    // Expands the template and sends each message in it: system-exclusive ones (from F0
    // to F7) through PutLong with the checksum applied, others through PutShort.
    void SendCommand(std::string_view command, std::int32_t value, TChecksumType checksum);
    void SendBuffer(const std::uint8_t* buffer, int length);

    // Offers a received system-exclusive message to every attached collection in
    // attachment order; true when any record took it.
    bool OfferSysex(const std::uint8_t* message, int length);
    // Asked first by OfferSysex: true keeps the message from every collection (an answer
    // meant for someone else, however much it looks like a record's).
    std::function<bool(const std::uint8_t* message, int length)> Withhold;

    // Short message packed with the status in the low byte.
    virtual void PutShort(std::uint32_t message) = 0;
    virtual void PutLong(const std::uint8_t* buffer, int length) = 0;

  private:
    std::array<std::uint8_t, kSysexBufferSize> m_buffer{};
    std::vector<TMidiCom*> m_coms;
    std::vector<TDumpCollection*> m_dumps;
};

}  // namespace midilink
