#pragma once

#include <chrono>
#include <functional>

#include "QueuedPortWindow.h"

namespace midiports {

// A port window without an event loop: whoever plays the GUI thread pumps it. For tests
// and for programs without Qt.
class ManualPortWindow : public QueuedPortWindow {
  public:
    int Pump() { return DeliverPending(); }
    // Pumps until done() holds or the time is up; true when done() held.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
};

}  // namespace midiports
