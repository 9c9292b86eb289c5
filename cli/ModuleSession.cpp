#include "cli/ModuleSession.h"

#include <exception>

#include "cli/Devices.h"
#include "td7/PortSetup.h"

namespace cli {

TModuleSession::TModuleSession(midiports::MidiService& service, const app::TTransferTiming& timing)
    : m_input(service, m_inputWindow),
      m_output(service, m_outputWindow),
      m_dumps(&m_link, nullptr, nullptr),
      m_transfers(m_dumps, m_present, m_link, m_wait, timing) {
    m_input.SetSysexBufferSize(4096);
    m_input.SetSysexOnly(true);
    m_output.Onmidioutput = [this](midiports::TMidiOutput*) { ++m_finished; };
    m_link.SetMidiOut(&m_output);
    m_link.SetMidiIn(&m_input);
    m_link.OnMidiInput = [this](midilink::TMidiCompLink*, bool resolved) {
        m_transfers.HandleMidiInput(resolved);
    };
}

TModuleSession::~TModuleSession() {
    // Stopped before anything it reports to goes; a port that will not stop or close is
    // released by its own destructor.
    try {
        m_input.Stop();
        m_input.Close();
    } catch (const std::exception&) {
    }
    try {
        m_output.Close();
    } catch (const std::exception&) {
    }
}

void TModuleSession::OpenInput(int setting) {
    if (auto error = app::OpenInputFromSetting(m_input, setting)) throw DeviceError(*error);
    // Opening never raises; a device that exists but will not open leaves the port closed,
    // which the editor shows nowhere but a transfer here cannot live with.
    if (!m_input.IsOpen()) throw DeviceError(app::kInputNotAvailable);
}

void TModuleSession::OpenOutput(int setting) {
    if (auto error = app::OpenOutputFromSetting(m_output, setting)) throw DeviceError(*error);
    if (!m_output.IsOpen()) throw DeviceError(app::kOutputNotAvailable);
}

bool TModuleSession::WaitUntilSent(int count, std::chrono::milliseconds timeout) {
    const auto deadline = m_wait.Now() + timeout;
    m_wait.WaitUntil([&] { return m_finished >= count; }, deadline);
    return m_finished >= count;
}

}  // namespace cli
