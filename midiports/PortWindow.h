#pragma once

#include <cstdint>
#include <functional>

namespace midiports {

// Notes from the service's thread to a port.
inline constexpr std::uint32_t PortMsgData = 0x3C3;      // events wait in the input ring
inline constexpr std::uint32_t PortMsgOverflow = 0x400;  // input events were lost
inline constexpr std::uint32_t PortMsgDone = 0x3C9;      // output blocks are finished
inline constexpr std::uint32_t PortMsgLost = 0x401;      // the device went away

// Stand-in for a port's hidden window: notes posted from any thread are delivered to the
// receiver on the GUI thread, in the order posted.
class PortWindow {
  public:
    using Receiver = std::function<void(std::uint32_t message, std::uintptr_t param)>;

    virtual ~PortWindow() = default;
    virtual void SetReceiver(Receiver receiver) = 0;  // GUI thread
    // Any thread. Never allocates or waits while queueing the note; false when the
    // window's queue is full.
    virtual bool Post(std::uint32_t message, std::uintptr_t param) = 0;
};

}  // namespace midiports
