#pragma once

// What the tests over a private JACK server talk to: td7sim as a separate process, and
// plain RtMidi clients of this process.

#include <RtMidi.h>
#include <jack/types.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midiports/EventRing.h"
#include "tests/support/Td7SimProcess.h"

namespace porttest {

// A unique client name for this process.
std::string UniqueName(const std::string& stem);

// A raw RtMidi client with one virtual input and one virtual output port.
class JackPeer {
  public:
    JackPeer();
    ~JackPeer();
    std::string OutputName() const { return m_client + " Out:peer"; }
    std::string InputName() const { return m_client + " In:peer"; }
    void Send(const std::vector<std::uint8_t>& message);
    std::vector<std::vector<std::uint8_t>> Received() const;
    void Clear();

  private:
    std::string m_client;
    std::unique_ptr<RtMidiIn> m_in;
    std::unique_ptr<RtMidiOut> m_out;
    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_received;
};

// A JACK client with one output port that puts each note at a frame of its own, as the
// driver of a device does: a note sent with Send leaves in the next cycle at the frame that
// its time had in the cycle before (one period late, its distance to the others kept).
class JackFramePeer {
  public:
    using Note = std::array<std::uint8_t, 3>;
    struct Placed {
        jack_nframes_t Frame = 0;
        Note Bytes{};
    };

    JackFramePeer();
    ~JackFramePeer();
    bool Ready() const { return m_port != nullptr; }
    std::string OutputName() const { return m_client + ":out"; }
    jack_nframes_t Rate() const;
    jack_nframes_t Period() const;
    // The server's period, for every client; true once cycles of the new length run.
    bool SetPeriod(jack_nframes_t frames);

    // Stamped now; returns the stamp. One writer thread.
    std::chrono::steady_clock::time_point Send(const Note& note);
    // Up to four notes together in one cycle at the frames given, in frame order; false
    // while an earlier batch waits.
    bool SendInOneCycle(const std::vector<Placed>& notes);
    // Notes sent with Send that could not go at the frame their time had: the cycles fell
    // behind or ran ahead of the clock (a late cycle on a busy machine).
    int Misplaced() const { return m_misplaced.load(); }

  private:
    static int Process(jack_nframes_t frames, void* self);
    bool WaitCycles(int cycles);

    std::string m_client;
    jack_client_t* m_jack = nullptr;
    jack_port_t* m_port = nullptr;
    std::unique_ptr<midiports::EventRing> m_sent;
    std::array<Placed, 4> m_batch{};
    std::atomic<int> m_batchSize{0};
    std::atomic<std::uint64_t> m_cycles{0};
    std::atomic<int> m_misplaced{0};
};

}  // namespace porttest
