#include "RtMidiService.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <chrono>
#include <functional>
#include <thread>

#include "InputDevice.h"
#include "JackInput.h"
#include "OutputDevice.h"
#include "midisystem/ServiceCheck.h"
#include "midisystem/ServiceLogMessages.h"

namespace midiports {

namespace {

MidiResult ResultOf(RtMidiError::Type type) {
    switch (type) {
        case RtMidiError::NO_DEVICES_FOUND:
        case RtMidiError::INVALID_DEVICE:
        case RtMidiError::INVALID_PARAMETER:
            return result::kBadDeviceId;
        case RtMidiError::MEMORY_ERROR:
            return result::kNoMem;
        case RtMidiError::DRIVER_ERROR:
            return result::kNoDriver;
        case RtMidiError::INVALID_USE:
            return result::kInvalidParam;
        default:
            return result::kError;
    }
}

bool IsFailure(RtMidiError::Type type) {
    return type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING;
}

// RtMidi reports through this instead of throwing once it is set. It may run on RtMidi's
// own thread, so it only stores the code and, for a device that is open, says it is gone.
struct ErrorSink {
    std::atomic<MidiResult> last{result::kOk};
    CallbackDevice* device = nullptr;
    void (*lost)(CallbackDevice*) = nullptr;
    std::atomic<bool> open{false};

    static void Report(RtMidiError::Type type, const std::string&, void* user) {
        auto& sink = *static_cast<ErrorSink*>(user);
        if (!IsFailure(type)) return;
        sink.last.store(ResultOf(type));
        if (sink.open.load() && sink.lost != nullptr &&
            (type == RtMidiError::DRIVER_ERROR || type == RtMidiError::SYSTEM_ERROR))
            sink.lost(sink.device);
    }
};

class RtInput : public InputDevice {
  public:
    RtInput(MidiService& owner, std::unique_ptr<RtMidiIn> midi)
        : InputDevice(owner), m_midi(std::move(midi)) {
        m_errors.device = this;
        m_errors.lost = [](CallbackDevice* d) { static_cast<RtInput*>(d)->ReportLost(); };
        m_midi->setErrorCallback(&ErrorSink::Report, &m_errors);
    }
    ~RtInput() override {
        m_errors.open.store(false);
        m_midi.reset();  // no more callbacks once RtMidi's object is gone
        Close();
    }

    MidiResult OpenPort(unsigned port) {
        // Ask for system exclusive; timing clock and active sensing are not wanted.
        m_midi->ignoreTypes(false, true, true);
        m_midi->setCallback(&RtInput::Received, this);
        m_midi->openPort(port, "in");
        if (!m_midi->isPortOpen()) return Failed();
        m_errors.open.store(true);
        return result::kOk;
    }
    RtMidiIn& Midi() { return *m_midi; }

  private:
    // RtMidi's thread; on JACK the real-time thread. Deliver copies into a buffer that was
    // handed over beforehand and posts; it neither allocates nor locks.
    static void Received(double, std::vector<unsigned char>* message, void* user) {
        if (message != nullptr && !message->empty())
            static_cast<RtInput*>(user)->Deliver(message->data(), message->size());
    }
    MidiResult Failed() {
        const MidiResult r = m_errors.last.load();
        return r == result::kOk ? result::kError : r;
    }

    ErrorSink m_errors;
    std::unique_ptr<RtMidiIn> m_midi;
};

// Longer than a JACK period of 4096 frames at 44.1 kHz.
constexpr std::chrono::milliseconds kJackCycleGrace{100};

class RtOutput : public OutputDevice {
  public:
    RtOutput(MidiService& owner, std::unique_ptr<RtMidiOut> midi)
        : OutputDevice(owner), m_midi(std::move(midi)) {
        m_errors.device = this;
        m_errors.lost = [](CallbackDevice* d) { static_cast<RtOutput*>(d)->ReportLost(); };
        m_midi->setErrorCallback(&ErrorSink::Report, &m_errors);
    }
    ~RtOutput() override {
        m_errors.open.store(false);
        // RtMidi's JACK output frees its ring buffer before it closes the client, and its wait
        // for the process thread gives up after a second; a cycle still running on a busy
        // machine then reads freed memory. With the port closed first, the cycles that follow
        // touch nothing; the pause lets the one in flight end.
        // RtMidi does not count a virtual port as open, so whether one is open is our own
        // record.
        if (m_midi->getCurrentApi() == RtMidi::UNIX_JACK && m_portOpen) {
            m_midi->closePort();
            std::this_thread::sleep_for(kJackCycleGrace);
        }
        m_midi.reset();
        Detach();
    }

    MidiResult OpenPort(int port) {
        if (port < 0)
            m_midi->openVirtualPort("Tamboro");
        else
            m_midi->openPort(static_cast<unsigned>(port), "out");
        // A virtual port does not count as open for RtMidi; a failure shows in the sink.
        if (port >= 0 && !m_midi->isPortOpen()) return Failed();
        m_portOpen = true;  // closed first even if half-made: closing does no harm
        if (m_errors.last.load() != result::kOk) return Failed();
        m_errors.open.store(true);
        return result::kOk;
    }

    RtMidiOut& Midi() { return *m_midi; }

    MidiResult SendBytes(const std::uint8_t* data, std::size_t length) override {
        m_errors.last.store(result::kOk);
        m_midi->sendMessage(data, length);
        return m_errors.last.exchange(result::kOk);
    }

  private:
    MidiResult Failed() {
        const MidiResult r = m_errors.last.load();
        return r == result::kOk ? result::kError : r;
    }

    ErrorSink m_errors;
    std::unique_ptr<RtMidiOut> m_midi;
    bool m_portOpen = false;  // a port or the virtual port
};

void Quiet(RtMidiError::Type, const std::string&, void*) {}

}  // namespace

struct RtMidiService::Impl {
    std::string client;             // prefix of every client name of this process
    std::vector<RtMidi::Api> apis;  // tried in this order
    std::function<void(const std::string&)> notice;
    bool noticeGiven = false;
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    std::unique_ptr<RtMidiIn> listIn;
    std::unique_ptr<RtMidiOut> listOut;
    std::atomic<int> serial{0};

    // JACK wants a distinct client name for every object.
    std::string NextClientName() { return client + "-" + std::to_string(serial++); }

    // The system's port names, without the ports of this process.
    template <class Midi>
    std::vector<std::string> Ports(Midi* midi) const {
        std::vector<std::string> names;
        if (midi == nullptr) return names;
        const unsigned count = midi->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            std::string name = midi->getPortName(i);
            if (name.rfind(client, 0) == 0) continue;
            names.push_back(std::move(name));
        }
        return names;
    }

    template <class Midi>
    static int Find(Midi& midi, const std::string& name) {
        const unsigned count = midi.getPortCount();
        for (unsigned i = 0; i < count; ++i)
            if (midi.getPortName(i) == name) return static_cast<int>(i);
        return -1;
    }
};

std::string UnknownMidiApiText() {
    const char* wanted = std::getenv("TAMBORO_MIDI_API");
    if (wanted == nullptr) return {};
    const std::string name = wanted;
    if (name.empty() || name == "alsa" || name == "jack") return {};
    return "Unknown TAMBORO_MIDI_API \"" + name + "\": the known values are alsa and jack";
}

RtMidiService::RtMidiService(std::string clientName, Notice notice)
    : m_impl(std::make_unique<Impl>()) {
    midisystem::RouteServiceLogMessages();
    m_impl->client = clientName + "-" + std::to_string(::getpid());
    m_impl->notice = std::move(notice);
    m_impl->apis = {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK};
    if (const char* wanted = std::getenv("TAMBORO_MIDI_API")) {
        const std::string name = wanted;
        if (name == "alsa") m_impl->apis = {RtMidi::LINUX_ALSA};
        if (name == "jack") m_impl->apis = {RtMidi::UNIX_JACK};
    }
    if (const std::string unknown = UnknownMidiApiText(); !unknown.empty() && m_impl->notice)
        m_impl->notice(unknown);
    Connect();
}

// RtMidi's default constructor throws when ALSA is missing instead of falling back, so each
// API is tried here in turn. Without any, the device lists try again each time they are
// read: a JACK server started later is found.
void RtMidiService::Connect() {
    if (Available()) return;
    for (RtMidi::Api api : m_impl->apis) {
        if (!midisystem::ServiceAnswers(api, m_impl->NextClientName())) continue;
        try {
            auto in = std::make_unique<RtMidiIn>(api, m_impl->NextClientName());
            in->setErrorCallback(&Quiet);
            auto out = std::make_unique<RtMidiOut>(api, m_impl->NextClientName());
            out->setErrorCallback(&Quiet);
            m_impl->api = api;
            m_impl->listIn = std::move(in);
            m_impl->listOut = std::move(out);
            return;
        } catch (const RtMidiError&) {
        }
    }
    if (!m_impl->noticeGiven && m_impl->notice)
        m_impl->notice(midisystem::MissingServiceText(m_impl->apis));
    m_impl->noticeGiven = true;
}

RtMidiService::~RtMidiService() = default;

bool RtMidiService::Available() const {
    return m_impl->listIn != nullptr;
}

std::string RtMidiService::ApiName() const {
    return RtMidi::getApiName(m_impl->api);
}

std::string RtMidiService::ProductName(const std::string& portName) {
    const std::size_t blank = portName.rfind(' ');
    if (blank == std::string::npos) return portName;
    const std::string tail = portName.substr(blank + 1);
    const std::size_t colon = tail.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == tail.size()) return portName;
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (i != colon && !std::isdigit(static_cast<unsigned char>(tail[i]))) return portName;
    return portName.substr(0, blank);
}

int RtMidiService::InDeviceCount() {
    Connect();
    return static_cast<int>(m_impl->Ports(m_impl->listIn.get()).size());
}

MidiResult RtMidiService::InProductName(int id, std::string& name) {
    const auto ports = m_impl->Ports(m_impl->listIn.get());
    if (id < 0 || id >= static_cast<int>(ports.size())) return result::kBadDeviceId;
    name = ProductName(ports[static_cast<std::size_t>(id)]);
    return result::kOk;
}

MidiResult RtMidiService::InOpen(MidiDevice** handle, int id, MidiCallback callback,
                                 void* instance) {
    *handle = nullptr;
    if (!Available()) return result::kNoDriver;
    const auto ports = m_impl->Ports(m_impl->listIn.get());
    if (id < 0 || id >= static_cast<int>(ports.size())) return result::kBadDeviceId;
    if (m_impl->api == RtMidi::UNIX_JACK) {
        // Our own client: RtMidi's stamps every note of a cycle at the cycle.
        auto device = std::make_unique<JackInput>(*this);
        device->Attach(callback, instance);
        const MidiResult r =
            device->Open(m_impl->NextClientName(), ports[static_cast<std::size_t>(id)]);
        if (r != result::kOk) return r;
        *handle = device.release();
        return result::kOk;
    }
    try {
        auto device = std::make_unique<RtInput>(
            *this, std::make_unique<RtMidiIn>(m_impl->api, m_impl->NextClientName()));
        const int port = Impl::Find(device->Midi(), ports[static_cast<std::size_t>(id)]);
        if (port < 0) return result::kBadDeviceId;
        // Attached before the port opens: the device reports nothing until started.
        device->Attach(callback, instance);
        const MidiResult r = device->OpenPort(static_cast<unsigned>(port));
        if (r != result::kOk) return r;
        *handle = device.release();
        return result::kOk;
    } catch (const RtMidiError& e) {
        return ResultOf(e.getType());
    }
}

MidiResult RtMidiService::InClose(MidiDevice* handle) {
    if (dynamic_cast<RtInput*>(handle) == nullptr && dynamic_cast<JackInput*>(handle) == nullptr)
        return result::kInvalidHandle;
    delete handle;
    return result::kOk;
}

int RtMidiService::OutDeviceCount() {
    Connect();
    return static_cast<int>(m_impl->Ports(m_impl->listOut.get()).size());
}

MidiResult RtMidiService::OutProductName(int id, std::string& name) {
    if (id == -1) {
        name = "Tamboro";
        return result::kOk;
    }
    const auto ports = m_impl->Ports(m_impl->listOut.get());
    if (id < 0 || id >= static_cast<int>(ports.size())) return result::kBadDeviceId;
    name = ProductName(ports[static_cast<std::size_t>(id)]);
    return result::kOk;
}

MidiResult RtMidiService::OutOpen(MidiDevice** handle, int id, MidiCallback callback,
                                  void* instance) {
    *handle = nullptr;
    if (!Available()) return result::kNoDriver;
    try {
        auto device = std::make_unique<RtOutput>(
            *this, std::make_unique<RtMidiOut>(m_impl->api, m_impl->NextClientName()));
        int port = -1;
        if (id != -1) {
            const auto ports = m_impl->Ports(m_impl->listOut.get());
            if (id < 0 || id >= static_cast<int>(ports.size())) return result::kBadDeviceId;
            port = Impl::Find(device->Midi(), ports[static_cast<std::size_t>(id)]);
            if (port < 0) return result::kBadDeviceId;
        }
        device->Attach(callback, instance);
        const MidiResult r = device->OpenPort(port);
        if (r != result::kOk) return r;
        *handle = device.release();
        return result::kOk;
    } catch (const RtMidiError& e) {
        return ResultOf(e.getType());
    }
}

MidiResult RtMidiService::OutClose(MidiDevice* handle) {
    auto* device = dynamic_cast<RtOutput*>(handle);
    if (device == nullptr) return result::kInvalidHandle;
    delete device;
    return result::kOk;
}

}  // namespace midiports
