#pragma once

// The session with the module for the command line: the programs' one session object, with
// port windows and a wait that sleep on a semaphore instead of an event loop.

#include <chrono>
#include <functional>

#include "cli/PortWait.h"
#include "td7/session/Session.h"

namespace midiports {
class MidiService;
}

namespace cli {

class TModuleSession {
  public:
    TModuleSession(midiports::MidiService& service, const td7::TTransferTiming& timing);
    TModuleSession(const TModuleSession&) = delete;
    TModuleSession& operator=(const TModuleSession&) = delete;

    // Open (and start) the device with the device window's number. DeviceError with the
    // editor's "not available" text when it cannot be chosen, started or opened.
    void OpenInput(int setting);
    void OpenOutput(int setting);

    // Waits until the service has finished `count` blocks handed to the output since the
    // session began, so that closing the port cuts nothing off. False at the time-out.
    bool WaitUntilSent(int count, std::chrono::milliseconds timeout);
    // TransferError naming the output device when it has since left the system's lists:
    // what was sent to it went nowhere. (An input gone is named by the read-back.)
    void CheckDevices();
    // "The MIDI device "X" is gone." for a device opened here that has left the system's
    // lists since; empty while all are there.
    std::string GoneDevices();

    td7::TSession& Session() { return m_session; }
    td7::TTd7Collections& Dumps() { return m_session.Dumps(); }
    td7::TPresentFlags& Present() { return m_session.Present(); }
    td7::TTransfers& Transfers() { return m_session.Transfers(); }
    // Delivers the ports' news until done() holds or the deadline passes.
    void WaitUntil(const std::function<bool()>& done, TWakeup::Clock::time_point deadline) {
        m_wait.WaitUntil(done, deadline);
    }
    // What the session's waits sleep on; whatever else should end a wait may signal it.
    TWakeup& Wakeup() { return m_wakeup; }

  private:
    TWakeup m_wakeup;
    TWakingPortWindow m_inputWindow{m_wakeup};
    TWakingPortWindow m_outputWindow{m_wakeup};
    TPortWait m_wait{m_wakeup, {&m_inputWindow, &m_outputWindow}};
    td7::TSession m_session;
    int m_finished = 0;
};

}  // namespace cli
