#pragma once

#include <jack/types.h>

#include <atomic>
#include <chrono>
#include <string>

#include "InputDevice.h"

namespace midiports {

// When the running process cycle of `client` began, on steady_clock. Call it from the
// client's process callback.
std::chrono::steady_clock::time_point JackCycleStart(jack_client_t* client);

// An input device on a JACK client of its own. RtMidi's JACK input hands over a process
// cycle's events together, each stamped when the cycle ran, and keeps their frames to
// itself; here each event is stamped at its own frame: the cycle's start plus its offset
// in the cycle at the server's sample rate.
class JackInput : public InputDevice {
  public:
    using InputDevice::InputDevice;
    ~JackInput() override;

    // A client named clientName with one port "in", connected from the port named source
    // (the full JACK name). After a failure the device is only fit to be destroyed.
    MidiResult Open(const std::string& clientName, const std::string& source);

  private:
    static int Process(jack_nframes_t frames, void* self);
    static void ShutDown(jack_status_t, const char*, void* self);

    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    std::atomic<bool> m_open{false};
};

}  // namespace midiports
