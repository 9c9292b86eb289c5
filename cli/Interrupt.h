#pragma once

// Ctrl+C (SIGINT) or SIGTERM while records go out: the first one asks the transmission to
// stop after the record being sent, so that the module never gets half a record and what
// was handed to the port still drains; a second one ends the program at once, as it would
// without this scope.

#include <csignal>

namespace cli {

class TWakeup;

class TInterruptScope {
  public:
    // Installs the handlers until the scope ends; an interrupt also wakes `wakeup`, so a
    // wait for the pace or for an answer notices it at once.
    explicit TInterruptScope(TWakeup& wakeup);
    ~TInterruptScope();
    TInterruptScope(const TInterruptScope&) = delete;
    TInterruptScope& operator=(const TInterruptScope&) = delete;

    // Whether an interrupt came since the scope began.
    static bool Requested();

  private:
    struct sigaction m_oldInterrupt {};
    struct sigaction m_oldTerminate {};
};

}  // namespace cli
