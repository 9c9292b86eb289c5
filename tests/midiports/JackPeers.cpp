#include "JackPeers.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "midiports/JackInput.h"

namespace porttest {

std::string UniqueName(const std::string& stem) {
    static std::atomic<int> serial{0};
    return stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
}

JackPeer::JackPeer() : m_client(UniqueName("peer")) {
    m_in = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, m_client + " In");
    m_out = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, m_client + " Out");
    m_in->ignoreTypes(false, true, true);
    m_in->setCallback(
        [](double, std::vector<unsigned char>* message, void* self) {
            auto& peer = *static_cast<JackPeer*>(self);
            std::lock_guard lock(peer.m_mutex);
            peer.m_received.push_back(*message);
        },
        this);
    m_in->openVirtualPort("peer");
    m_out->openVirtualPort("peer");
}

JackPeer::~JackPeer() {
    m_in->cancelCallback();
    m_in.reset();
    m_out.reset();
}

void JackPeer::Send(const std::vector<std::uint8_t>& message) {
    m_out->sendMessage(message.data(), message.size());
}

std::vector<std::vector<std::uint8_t>> JackPeer::Received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

void JackPeer::Clear() {
    std::lock_guard lock(m_mutex);
    m_received.clear();
}

JackFramePeer::JackFramePeer() : m_client(UniqueName("frames")), m_sent(midiports::RingAlloc(512)) {
    m_jack = jack_client_open(m_client.c_str(), JackNoStartServer, nullptr);
    if (m_jack == nullptr) return;
    jack_port_t* port =
        jack_port_register(m_jack, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (port == nullptr) return;
    jack_set_process_callback(m_jack, &JackFramePeer::Process, this);
    m_port = port;
    if (jack_activate(m_jack) != 0) m_port = nullptr;
}

JackFramePeer::~JackFramePeer() {
    if (m_jack == nullptr) return;
    jack_deactivate(m_jack);
    jack_client_close(m_jack);
}

jack_nframes_t JackFramePeer::Rate() const {
    return m_jack != nullptr ? jack_get_sample_rate(m_jack) : 0;
}

jack_nframes_t JackFramePeer::Period() const {
    return m_jack != nullptr ? jack_get_buffer_size(m_jack) : 0;
}

bool JackFramePeer::WaitCycles(int cycles) {
    const std::uint64_t until = m_cycles.load() + static_cast<std::uint64_t>(cycles);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (m_cycles.load() < until) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool JackFramePeer::SetPeriod(jack_nframes_t frames) {
    if (!Ready() || jack_set_buffer_size(m_jack, frames) != 0) return false;
    return WaitCycles(3) && Period() == frames;
}

std::chrono::steady_clock::time_point JackFramePeer::Send(const Note& note) {
    const std::uint32_t packed =
        note[0] | std::uint32_t{note[1]} << 8 | std::uint32_t{note[2]} << 16;
    const auto now = std::chrono::steady_clock::now();
    midiports::RingPut(*m_sent, {0, packed, nullptr, now});
    return now;
}

bool JackFramePeer::SendInOneCycle(const std::vector<Placed>& notes) {
    if (notes.size() > m_batch.size() || m_batchSize.load() != 0) return false;
    std::copy(notes.begin(), notes.end(), m_batch.begin());
    m_batchSize.store(static_cast<int>(notes.size()));
    return true;
}

// JACK's thread: nothing here allocates, so that the receiving side's allocations can be
// counted.
int JackFramePeer::Process(jack_nframes_t frames, void* self) {
    auto& peer = *static_cast<JackFramePeer*>(self);
    void* buffer = jack_port_get_buffer(peer.m_port, frames);
    jack_midi_clear_buffer(buffer);
    peer.m_cycles.fetch_add(1);
    if (const int batch = peer.m_batchSize.load(); batch > 0) {
        for (int i = 0; i < batch; ++i) {
            const Placed& placed = peer.m_batch[static_cast<std::size_t>(i)];
            jack_midi_event_write(buffer, std::min(placed.Frame, frames - 1), placed.Bytes.data(),
                                  placed.Bytes.size());
        }
        peer.m_batchSize.store(0);
        return 0;
    }
    // The cycle's start and the one before it, on steady_clock (JACK's clock is another).
    const auto start = midiports::JackCycleStart(peer.m_jack);
    const std::int64_t rate = jack_get_sample_rate(peer.m_jack);
    const auto before =
        start - std::chrono::nanoseconds(std::int64_t{frames} * 1'000'000'000 / rate);
    std::int64_t last = 0;
    midiports::RingEntry entry;
    while (midiports::RingPeek(*peer.m_sent, entry) && entry.delivered < start) {
        const auto since =
            std::chrono::duration_cast<std::chrono::nanoseconds>(entry.delivered - before);
        const std::int64_t wanted = since.count() * rate / 1'000'000'000;
        const std::int64_t frame = std::clamp<std::int64_t>(wanted, last, std::int64_t{frames} - 1);
        if (frame != wanted) peer.m_misplaced.fetch_add(1);
        const std::uint8_t bytes[] = {static_cast<std::uint8_t>(entry.message),
                                      static_cast<std::uint8_t>(entry.message >> 8),
                                      static_cast<std::uint8_t>(entry.message >> 16)};
        jack_midi_event_write(buffer, static_cast<jack_nframes_t>(frame), bytes, sizeof bytes);
        last = frame;
        midiports::RingDrop(*peer.m_sent);
    }
    return 0;
}

}  // namespace porttest
