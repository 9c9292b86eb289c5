#pragma once

// Waiting for the module without an event loop: the port windows' notes wake a sleeping
// wait, which then delivers them on this thread, as the editor's event loop would.

#include <semaphore.h>

#include <initializer_list>
#include <vector>

#include "midiports/QueuedPortWindow.h"
#include "td7/transfers/Transfers.h"

namespace cli {

// Wakes a waiting thread from any thread. A POSIX semaphore: posting never locks or
// allocates, so the MIDI service's callback thread may do it.
class TWakeup {
  public:
    using Clock = std::chrono::steady_clock;

    TWakeup();
    ~TWakeup();
    TWakeup(const TWakeup&) = delete;
    TWakeup& operator=(const TWakeup&) = delete;

    void Signal();
    // Returns after a signal or at the deadline, whichever comes first.
    void WaitUntil(Clock::time_point deadline);

  private:
    sem_t m_semaphore;
};

// A port window whose notes wake the wait; whoever waits delivers them with Pump.
class TWakingPortWindow : public midiports::QueuedPortWindow {
  public:
    explicit TWakingPortWindow(TWakeup& wakeup) : m_wakeup(wakeup) {}
    bool Post(std::uint32_t message, std::uintptr_t param) override;
    int Pump() { return DeliverPending(); }

  private:
    TWakeup& m_wakeup;
};

// The transfers' wait for the command line: sleeps until a port has news or the deadline
// passes, and delivers the news (answers, finished output) on this thread.
class TPortWait : public td7::TTransferWait {
  public:
    TPortWait(TWakeup& wakeup, std::initializer_list<TWakingPortWindow*> windows)
        : m_wakeup(wakeup), m_windows(windows) {}

    Clock::time_point Now() override { return Clock::now(); }
    void WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) override;
    void Pump();

  private:
    TWakeup& m_wakeup;
    std::vector<TWakingPortWindow*> m_windows;
};

}  // namespace cli
