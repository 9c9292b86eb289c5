#include "simulator/SimPorts.h"

#include <rtmidi/RtMidi.h>

#include <stdexcept>

#include "midisystem/ServiceCheck.h"
#include "midisystem/ServiceLogMessages.h"

namespace simulator {

namespace {

constexpr unsigned char kSysexStart = 0xF0;
constexpr unsigned char kFirstRealTime = 0xF8;

}  // namespace

SimPorts::SimPorts() = default;

SimPorts::~SimPorts() {
    CloseInput();
    m_out.reset();
}

void SimPorts::Open(const std::string& api, const std::string& clientName,
                    const std::string& portName, MessageFn onMessage) {
    m_onMessage = std::move(onMessage);
    std::vector<RtMidi::Api> candidates;
    if (api.empty() || api == "alsa") candidates.push_back(RtMidi::LINUX_ALSA);
    if (api.empty() || api == "jack") candidates.push_back(RtMidi::UNIX_JACK);

    // As the editor and tamboro-cli: the libraries' own messages off standard error, and a
    // missing service said in one line.
    midisystem::RouteServiceLogMessages();
    std::string complaints;
    bool answered = false;
    for (auto candidate : candidates) {
        if (!midisystem::ServiceAnswers(candidate, clientName + " Probe")) continue;
        answered = true;
        try {
            TryOpen(candidate, clientName, portName);
            m_apiName = RtMidi::getApiName(candidate);
            return;
        } catch (const std::exception& error) {
            CloseInput();
            m_out.reset();
            complaints += RtMidi::getApiName(candidate) + ": " + error.what() + "\n";
        }
    }
    if (!answered) throw std::runtime_error(midisystem::MissingServiceText(candidates) + "\n");
    throw std::runtime_error("Cannot open MIDI ports:\n" + complaints);
}

void SimPorts::TryOpen(int api, const std::string& clientName, const std::string& portName) {
    // RtMidi reports some failures (no JACK server, for one) only through its error
    // callback, so collect them and treat any as a failure to open.
    m_error.clear();
    auto onError = [](RtMidiError::Type type, const std::string& text, void* self) {
        if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
            static_cast<SimPorts*>(self)->m_error = text;
    };
    const auto rtApi = static_cast<RtMidi::Api>(api);
    // Constructed per API: RtMidi's default constructor throws when ALSA is missing instead
    // of trying the next API.
    m_in = std::make_unique<RtMidiIn>(rtApi, clientName + " In");
    m_in->setErrorCallback(onError, this);
    m_out = std::make_unique<RtMidiOut>(rtApi, clientName + " Out");
    m_out->setErrorCallback(onError, this);
    if (!m_error.empty()) throw std::runtime_error(m_error);

    m_in->ignoreTypes(false, true, true);  // sysex wanted; timing clock and active sensing not
    m_in->setCallback([](double, std::vector<unsigned char>* message,
                         void* self) { static_cast<SimPorts*>(self)->OnInput(*message); },
                      this);
    m_in->openVirtualPort(portName);
    m_out->openVirtualPort(portName);
    if (!m_error.empty()) throw std::runtime_error(m_error);
}

void SimPorts::OnInput(const std::vector<unsigned char>& message) {
    if (message.empty() || !m_onMessage) return;
    if (message[0] != kSysexStart) {
        m_onMessage(message.data(), message.size());
        return;
    }
    // A real-time byte sent while a sysex is under way can end up inside it.
    m_clean.clear();
    for (auto byte : message)
        if (byte < kFirstRealTime) m_clean.push_back(byte);
    m_onMessage(m_clean.data(), m_clean.size());
}

void SimPorts::CloseInput() {
    if (!m_in) return;
    m_in->cancelCallback();
    m_in->closePort();
    m_in.reset();
}

void SimPorts::Send(const std::uint8_t* data, std::size_t len) {
    std::lock_guard lock(m_outMutex);
    if (m_out) m_out->sendMessage(data, len);
}

}  // namespace simulator
