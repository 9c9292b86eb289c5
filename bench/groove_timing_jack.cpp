// The groove player's timing over a private JACK server: a groove at 120 BPM in sixteenths
// (a note on every step) played by the player thread through the editor's output port to a
// JACK client of this program, which stamps each note at its own frame, as the module's
// input would hear it. Counters, in ms: each note's arrival against its grid time (the
// player's start plus the step's time), less the median latency, at the 95th percentile
// and at most; the median latency itself; and the drift, the mean error over the last ten
// seconds less that over the first ten (target: within 1 ms at the 95th percentile, no
// drift); and how late the player handed the notes to the port (the player's own part). JACK's
// clock is carried over to steady_clock by reading both at the start and the end, so a difference
// in their rates is not counted as drift.
//
// Needs a running server (JACK_DEFAULT_SERVER) and skips without one. Arguments: the
// server's period in frames and the seconds of groove time; BENCH_GROOVE_SECONDS replaces
// the 30 s default (300 for the five-minute run).

#include <benchmark/benchmark.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "midiports/ManualPortWindow.h"
#include "midiports/MidiOutput.h"
#include "midiports/RtMidiService.h"
#include "td7/audition/Player.h"
#include "td7/audition/Schedule.h"

namespace {

using Clock = std::chrono::steady_clock;

// A JACK client with one input port: each note-on stamped with the time of its frame.
class FrameStampedInput {
  public:
    explicit FrameStampedInput(std::size_t capacity) {
        m_name = "tamboro-bench-groove-" + std::to_string(::getpid());
        m_jack = jack_client_open(m_name.c_str(), JackNoStartServer, nullptr);
        if (m_jack == nullptr) return;
        m_port = jack_port_register(m_jack, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        m_stamps.resize(capacity);
        jack_set_process_callback(m_jack, &FrameStampedInput::Process, this);
        if (m_port == nullptr || jack_activate(m_jack) != 0) m_port = nullptr;
    }
    ~FrameStampedInput() {
        if (m_jack == nullptr) return;
        jack_deactivate(m_jack);
        jack_client_close(m_jack);
    }
    bool Ready() const { return m_port != nullptr; }
    std::string InputName() const { return m_name + ":in"; }
    jack_nframes_t Period() const { return jack_get_buffer_size(m_jack); }
    bool SetPeriod(jack_nframes_t frames) {
        if (jack_set_buffer_size(m_jack, frames) != 0) return false;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (jack_get_buffer_size(m_jack) != frames && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return jack_get_buffer_size(m_jack) == frames;
    }
    std::size_t Count() const { return m_count.load(); }
    jack_time_t Stamp(std::size_t k) const { return m_stamps[k]; }
    void Clear() { m_count = 0; }
    // Both clocks read as close together as they can be.
    std::pair<jack_time_t, Clock::time_point> Now() const {
        const Clock::time_point before = Clock::now();
        const jack_time_t jack = jack_get_time();
        const Clock::time_point after = Clock::now();
        return {jack, before + (after - before) / 2};
    }

  private:
    static int Process(jack_nframes_t frames, void* self) {
        auto& input = *static_cast<FrameStampedInput*>(self);
        void* buffer = jack_port_get_buffer(input.m_port, frames);
        const jack_nframes_t start = jack_last_frame_time(input.m_jack);
        const std::uint32_t events = jack_midi_get_event_count(buffer);
        for (std::uint32_t i = 0; i < events; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0 || event.size != 3) continue;
            if ((event.buffer[0] & 0xF0) != 0x90 || event.buffer[2] == 0) continue;
            const std::size_t k = input.m_count.load();
            if (k >= input.m_stamps.size()) continue;
            input.m_stamps[k] = jack_frames_to_time(input.m_jack, start + event.time);
            input.m_count.store(k + 1);
        }
        return 0;
    }

    std::string m_name;
    jack_client_t* m_jack = nullptr;
    jack_port_t* m_port = nullptr;
    std::vector<jack_time_t> m_stamps;  // written before the count is raised
    std::atomic<std::size_t> m_count{0};
};

double Percentile(std::vector<double> values, double percent) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto k = static_cast<std::size_t>(static_cast<double>(values.size() - 1) * percent / 100);
    return values[k];
}

void BM_GrooveTiming(benchmark::State& state) {
    ::setenv("TAMBORO_MIDI_API", "jack", 1);
    const char* secondsText = std::getenv("BENCH_GROOVE_SECONDS");
    const int seconds = secondsText ? std::atoi(secondsText) : static_cast<int>(state.range(1));
    // 120 BPM in sixteenths: 8 steps a second, a closed hi-hat on each, kick and snare on
    // some: every step's first note is measured.
    const td7::TGroove groove = td7::ParseGroove(
        "beats: 4\nsteps-per-beat: 4\n"
        "hihat-closed: 90 60 80 60 90 60 80 60 90 60 80 60 90 60 80 60\n"
        "snare: . . . . 110 . . . . . . . 110 . . .\n"
        "kick: 110 . . . . . . . 100 . 90 . . . . .\n",
        "bench", "bench");
    td7::TKitNotes kit{};
    kit[static_cast<std::size_t>(td7::Role::HihatClosed)] =
        td7::TRoleNote{42, std::chrono::milliseconds(100)};
    kit[static_cast<std::size_t>(td7::Role::Snare)] =
        td7::TRoleNote{38, std::chrono::milliseconds(100)};
    kit[static_cast<std::size_t>(td7::Role::Kick)] =
        td7::TRoleNote{36, std::chrono::milliseconds(100)};
    const td7::TTempo tempo{120, td7::kStraight};
    const long long bars = seconds / 2;  // a bar of 4 beats lasts 2 s
    const auto schedule = std::make_shared<td7::TGrooveSchedule>(groove, kit, tempo, bars, false);
    std::vector<std::chrono::nanoseconds> grid;  // each note-on's time, in playing order
    for (long long b = 0; b < bars; ++b)
        for (const td7::TNoteEvent& e : schedule->BarEvents(b))
            if (e.On) grid.push_back(e.Time);

    FrameStampedInput input(grid.size() + 16);
    midiports::RtMidiService service("tamboro-bench-groove-out");
    if (!input.Ready() || !service.Available()) {
        state.SkipWithError("no JACK server");
        return;
    }
    const jack_nframes_t serverPeriod = input.Period();
    if (!input.SetPeriod(static_cast<jack_nframes_t>(state.range(0)))) {
        state.SkipWithError("the server's period cannot be set");
        return;
    }
    midiports::ManualPortWindow window;
    midiports::TMidiOutput output(service, window);
    output.SetProductName(input.InputName());
    if (!output.Open()) {
        state.SkipWithError("the output did not open");
        return;
    }
    // The connection is made in a period of its own: wait until a note comes through.
    for (int i = 0; i < 200 && input.Count() == 0; ++i) {
        output.SendShort(0x99, 36, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (input.Count() == 0) {
        state.SkipWithError("no note came through");
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    std::vector<double> errors;
    double latency = 0, drift = 0;
    for (auto _ : state) {
        input.Clear();
        std::mutex sending;
        std::vector<Clock::time_point> handed;  // when the player handed each note-on over
        handed.reserve(grid.size());
        td7::TPlayer player([&](std::uint8_t s, std::uint8_t n, std::uint8_t v) {
            std::lock_guard lock(sending);
            if ((s & 0xF0) == 0x90) handed.push_back(Clock::now());
            output.SendShort(s, n, v);
        });
        const auto [jack0, steady0] = input.Now();
        const Clock::time_point start = Clock::now() + std::chrono::milliseconds(200);
        player.Play(schedule, false, start);
        player.Wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const auto [jack1, steady1] = input.Now();
        if (input.Count() != grid.size()) {
            state.SkipWithError("notes were lost");
            break;
        }
        // JACK's microseconds on steady_clock's scale, from the two readings.
        const double rate = std::chrono::duration<double, std::micro>(steady1 - steady0).count() /
                            static_cast<double>(jack1 - jack0);
        std::vector<double> raw;
        for (std::size_t k = 0; k < grid.size(); ++k) {
            const double arrived = static_cast<double>(input.Stamp(k) - jack0) * rate / 1000.0;
            const double wanted =
                std::chrono::duration<double, std::milli>(start - steady0 + grid[k]).count();
            raw.push_back(arrived - wanted);
        }
        // The player's own part: how late it handed each note to the port.
        std::vector<double> late;
        for (std::size_t k = 0; k < handed.size() && k < grid.size(); ++k)
            late.push_back(
                std::chrono::duration<double, std::milli>(handed[k] - (start + grid[k])).count());
        state.counters["handed_p95_late_ms"] = Percentile(late, 95);
        latency = Percentile(raw, 50);
        errors.clear();
        for (double e : raw) errors.push_back(std::abs(e - latency));
        // Mean error of the first and the last ten seconds (80 steps at 8 a second).
        double first = 0, last = 0;
        std::size_t firstCount = 0, lastCount = 0;
        const double total = std::chrono::duration<double>(grid.back()).count();
        for (std::size_t k = 0; k < grid.size(); ++k) {
            const double t = std::chrono::duration<double>(grid[k]).count();
            if (t < 10) first += raw[k], ++firstCount;
            if (t >= total - 10) last += raw[k], ++lastCount;
        }
        drift = last / static_cast<double>(lastCount) - first / static_cast<double>(firstCount);
        state.counters["clock_rate_ppm"] = (rate - 1.0) * 1e6;
    }
    input.SetPeriod(serverPeriod);
    state.counters["notes"] = static_cast<double>(grid.size());
    state.counters["p95_error_ms"] = Percentile(errors, 95);
    state.counters["max_error_ms"] = Percentile(errors, 100);
    state.counters["median_latency_ms"] = latency;
    state.counters["drift_ms"] = drift;
}

BENCHMARK(BM_GrooveTiming)
    ->ArgsProduct({{32, 64, 256}, {30}})
    ->ArgNames({"frames", "seconds"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
