#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class RtMidiIn;
class RtMidiOut;

namespace simulator {

// td7sim's two virtual ports on the system's MIDI service.
class SimPorts {
  public:
    // Called on the service's thread once per complete incoming message.
    using MessageFn = std::function<void(const std::uint8_t* data, std::size_t len)>;

    SimPorts();
    ~SimPorts();

    // Opens an input and an output port named portName, for clients "clientName In" and
    // "clientName Out". api is "alsa", "jack", or empty for ALSA with JACK as the fallback.
    // Throws std::runtime_error with the service's complaint when neither works, or with
    // "No MIDI service: ..." in one line when none answers.
    void Open(const std::string& api, const std::string& clientName, const std::string& portName,
              MessageFn onMessage);
    // Stops incoming messages (before whatever they are handed to goes away).
    void CloseInput();
    void Send(const std::uint8_t* data, std::size_t len);
    const std::string& ApiName() const { return m_apiName; }

  private:
    void TryOpen(int api, const std::string& clientName, const std::string& portName);
    void OnInput(const std::vector<unsigned char>& message);

    std::unique_ptr<RtMidiIn> m_in;
    std::unique_ptr<RtMidiOut> m_out;
    MessageFn m_onMessage;
    std::string m_apiName;
    std::string m_error;                // the service's last complaint while opening
    std::vector<std::uint8_t> m_clean;  // reused: incoming sysex without real-time bytes
    std::mutex m_outMutex;
};

}  // namespace simulator
