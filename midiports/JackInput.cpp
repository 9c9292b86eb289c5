#include "JackInput.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <chrono>
#include <cstdint>

namespace midiports {

std::chrono::steady_clock::time_point JackCycleStart(jack_client_t* client) {
    // JACK's clock is not steady_clock: on Linux it reads CLOCK_MONOTONIC_RAW, which NTP's
    // corrections leave apart from CLOCK_MONOTONIC by any amount since the start. So the two
    // clocks are read side by side once a cycle, and the cycle's start is carried over.
    const auto steadyNow = std::chrono::steady_clock::now();
    const jack_time_t jackNow = jack_get_time();
    const jack_time_t cycleStart = jack_frames_to_time(client, jack_last_frame_time(client));
    return steadyNow + std::chrono::microseconds(static_cast<std::int64_t>(cycleStart) -
                                                 static_cast<std::int64_t>(jackNow));
}

JackInput::~JackInput() {
    m_open.store(false);
    if (m_client != nullptr) {
        // Deactivating waits for the cycle in progress: nothing is reported after it.
        jack_deactivate(m_client);
        jack_client_close(m_client);
    }
    Close();
}

MidiResult JackInput::Open(const std::string& clientName, const std::string& source) {
    jack_status_t status{};
    m_client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (m_client == nullptr) return result::kNoDriver;
    if (jack_port_by_name(m_client, source.c_str()) == nullptr) return result::kBadDeviceId;
    m_port = jack_port_register(m_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (m_port == nullptr) return result::kError;
    if (jack_set_process_callback(m_client, &JackInput::Process, this) != 0) return result::kError;
    jack_on_info_shutdown(m_client, &JackInput::ShutDown, this);
    if (jack_activate(m_client) != 0) return result::kError;
    if (jack_connect(m_client, source.c_str(), jack_port_name(m_port)) != 0)
        return result::kBadDeviceId;  // the source went away in the meantime
    m_open.store(true);
    return result::kOk;
}

// JACK's real-time thread: it neither allocates nor locks; reading the clocks does neither.
int JackInput::Process(jack_nframes_t frames, void* self) {
    auto& input = *static_cast<JackInput*>(self);
    void* buffer = jack_port_get_buffer(input.m_port, frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    if (count == 0) return 0;
    const auto start = JackCycleStart(input.m_client);
    const std::int64_t rate = jack_get_sample_rate(input.m_client);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0) continue;
        const auto offset = std::chrono::nanoseconds(
            rate > 0 ? static_cast<std::int64_t>(event.time) * 1'000'000'000 / rate : 0);
        input.Deliver(
            event.buffer, event.size,
            start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(offset));
    }
    return 0;
}

void JackInput::ShutDown(jack_status_t, const char*, void* self) {
    auto& input = *static_cast<JackInput*>(self);
    if (input.m_open.load()) input.ReportLost();
}

}  // namespace midiports
