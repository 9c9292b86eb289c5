#pragma once

#include <atomic>
#include <cstdint>

#include "MidiService.h"

namespace midiports {

// A device that reports to a port's callback from another thread. Detach waits until a
// report in progress has left, so that the port may free what the callback touches as
// soon as the device is closed. The reporting side never waits.
class CallbackDevice : public MidiDevice {
  public:
    using MidiDevice::MidiDevice;

    void Attach(MidiCallback callback, void* instance);  // GUI thread
    void Detach();                                       // GUI thread
    bool Attached() const { return m_attached.load(); }

  protected:
    // The reporting thread brackets its work with Enter/Leave; Enter fails while detached.
    bool Enter();
    void Leave() { m_busy.fetch_sub(1); }
    void Call(std::uint32_t message, std::uintptr_t p1, std::uintptr_t p2) {
        m_callback(this, message, m_instance, p1, p2);
    }
    void WaitIdle() const;

  private:
    MidiCallback m_callback = nullptr;
    void* m_instance = nullptr;
    std::atomic<bool> m_attached{false};
    std::atomic<int> m_busy{0};
};

}  // namespace midiports
