#pragma once

// The editor's machinery for talking to the module, without its windows: the two ports,
// the port link, the five collections, the present flags and the transfer sequencer, wired
// as the main window wires them.

#include <chrono>

#include "cli/PortWait.h"
#include "midilink/MidiCompLink.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "td7/PresentFlags.h"
#include "td7/Td7Collections.h"
#include "td7/Transfers.h"

namespace midiports {
class MidiService;
}

namespace cli {

class TModuleSession {
  public:
    TModuleSession(midiports::MidiService& service, const app::TTransferTiming& timing);
    ~TModuleSession();
    TModuleSession(const TModuleSession&) = delete;
    TModuleSession& operator=(const TModuleSession&) = delete;

    // Open (and start) the device with the device window's number. DeviceError with the
    // editor's "not available" text when it cannot be chosen, started or opened.
    void OpenInput(int setting);
    void OpenOutput(int setting);

    // Waits until the service has finished `count` blocks handed to the output since the
    // session began, so that closing the port cuts nothing off. False at the time-out.
    bool WaitUntilSent(int count, std::chrono::milliseconds timeout);

    app::TTd7Collections& Dumps() { return m_dumps; }
    app::TPresentFlags& Present() { return m_present; }
    app::TTransfers& Transfers() { return m_transfers; }
    // What the session's waits sleep on; whatever else should end a wait may signal it.
    TWakeup& Wakeup() { return m_wakeup; }

  private:
    TWakeup m_wakeup;
    TWakingPortWindow m_inputWindow{m_wakeup};
    TWakingPortWindow m_outputWindow{m_wakeup};
    midiports::TMidiInput m_input;
    midiports::TMidiOutput m_output;
    midilink::TMidiCompLink m_link;
    app::TTd7Collections m_dumps;
    app::TPresentFlags m_present;
    TPortWait m_wait{m_wakeup, {&m_inputWindow, &m_outputWindow}};
    app::TTransfers m_transfers;
    int m_finished = 0;
};

}  // namespace cli
