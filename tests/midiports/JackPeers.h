#pragma once

// What the tests over a private JACK server talk to: td7sim as a separate process, and
// plain RtMidi clients of this process.

#include <RtMidi.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/Td7SimProcess.h"

namespace porttest {

// A unique client name for this process.
std::string UniqueName(const std::string& stem);

// A raw RtMidi client with one virtual input and one virtual output port.
class JackPeer {
  public:
    JackPeer();
    ~JackPeer();
    std::string OutputName() const { return m_client + " Out:peer"; }
    std::string InputName() const { return m_client + " In:peer"; }
    void Send(const std::vector<std::uint8_t>& message);
    std::vector<std::vector<std::uint8_t>> Received() const;
    void Clear();

  private:
    std::string m_client;
    std::unique_ptr<RtMidiIn> m_in;
    std::unique_ptr<RtMidiOut> m_out;
    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_received;
};

}  // namespace porttest
