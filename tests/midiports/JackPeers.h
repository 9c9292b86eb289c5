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

#include "tests/support/ChildProcess.h"

namespace porttest {

// A unique client name for this process.
std::string UniqueName(const std::string& stem);

// td7sim running on JACK until the object goes.
class Td7Sim {
  public:
    explicit Td7Sim(const std::string& memoryFile);
    bool Ready() const { return m_ready; }
    // The names of its ports in the service's lists.
    std::string OutputName() const { return m_client + " Out:TD-7 Simulator"; }
    std::string InputName() const { return m_client + " In:TD-7 Simulator"; }
    // Asks it to write its memory file; true once it says it has.
    bool SaveMemory();

  private:
    std::string m_client;
    testsupport::TChildProcess m_process;
    bool m_ready = false;
};

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
