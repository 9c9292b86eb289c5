#pragma once

#include <cstddef>
#include <cstdint>

#include "CallbackDevice.h"

namespace midiports {

// The sending half of a backend. SendBlock hands a prepared block on; the default sends
// its bytes at once and reports it finished before returning.
class OutputDevice : public CallbackDevice {
  public:
    using CallbackDevice::CallbackDevice;

    virtual MidiResult SendBytes(const std::uint8_t* data, std::size_t length) = 0;
    virtual MidiResult SendBlock(MidiHeader* header);
    // Finishes every block still queued (none for a backend that sends at once).
    virtual MidiResult ResetBlocks() { return result::kOk; }

    // Marks the block done and reports it; any thread.
    void Complete(MidiHeader* header);
    void ReportLost();
};

}  // namespace midiports
