#pragma once

#include "td7/transfers/Transfers.h"

namespace editor {

// The window's way to wait during a transfer: it sleeps in the event loop until an event
// comes (a received message, a click on Cancel) or the deadline's timer fires, so the
// windows stay responsive and the processor idle.
class EventWait : public td7::TTransferWait {
  public:
    Clock::time_point Now() override { return Clock::now(); }
    void WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) override;
};

}  // namespace editor
