#include "cli/ModuleSession.h"

#include "cli/Devices.h"
#include "td7/session/PortSetup.h"

namespace cli {

TModuleSession::TModuleSession(midiports::MidiService& service, const td7::TTransferTiming& timing)
    : m_session(service, m_inputWindow, m_outputWindow, m_wait, timing) {
    m_session.OnOutputDone = [this] { ++m_finished; };
}

void TModuleSession::OpenInput(int setting) {
    if (auto error = m_session.OpenInput(setting)) throw DeviceError(*error);
    // Opening never raises; a device that exists but will not open leaves the port closed,
    // which the editor shows nowhere but a transfer here cannot live with.
    if (!m_session.Input().IsOpen()) throw DeviceError(td7::kInputNotAvailable);
    m_session.PortWatch().Choose();
}

void TModuleSession::OpenOutput(int setting) {
    if (auto error = m_session.OpenOutput(setting)) throw DeviceError(*error);
    if (!m_session.Output().IsOpen()) throw DeviceError(td7::kOutputNotAvailable);
    m_session.PortWatch().Choose();
}

void TModuleSession::CheckDevices() {
    const std::string gone = GoneDevices();
    // A lost input stops nothing that was sent: the read-back names what it could not check.
    if (m_session.PortWatch().Output().Gone) throw td7::TransferError(gone);
}

std::string TModuleSession::GoneDevices() {
    m_session.PortWatch().Poll(false);
    return m_session.PortWatch().GoneText();
}

bool TModuleSession::WaitUntilSent(int count, std::chrono::milliseconds timeout) {
    const auto deadline = m_wait.Now() + timeout;
    m_wait.WaitUntil([&] { return m_finished >= count; }, deadline);
    return m_finished >= count;
}

}  // namespace cli
