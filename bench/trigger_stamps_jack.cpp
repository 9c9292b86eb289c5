// The time stamps of the trigger check over a private JACK server: a plain RtMidi client of
// this process sends a note-on every 10 ms (on a schedule, not after a sleep), the input port
// stamps each note in the service's callback, and the GUI side takes them only every 50 ms,
// as a busy window would. Counters: the stamped intervals' median and the 95th percentile
// of their distance from 10 ms ("p95_error_ms", target at most 1 ms), and the same for the
// times at which the taking side saw them ("taken_p95_error_ms"), which the stamps avoid.
// Needs a running server (JACK_DEFAULT_SERVER) and skips without one.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "midiports/ManualPortWindow.h"
#include "midiports/MidiInput.h"
#include "midiports/RtMidiService.h"
#include "tests/midiports/JackPeers.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kApart = std::chrono::milliseconds(10);

struct Spread {
    double Median = 0;
    double P95Error = 0;
};

Spread Measure(const std::vector<Clock::time_point>& times) {
    std::vector<double> gaps, errors;
    for (std::size_t k = 1; k < times.size(); ++k) {
        const double ms = std::chrono::duration<double, std::milli>(times[k] - times[k - 1]).count();
        gaps.push_back(ms);
        errors.push_back(std::abs(ms - 10.0));
    }
    if (gaps.empty()) return {};
    std::sort(gaps.begin(), gaps.end());
    std::sort(errors.begin(), errors.end());
    return {gaps[gaps.size() / 2], errors[errors.size() * 95 / 100]};
}

void BM_StampedIntervals(benchmark::State& state) {
    ::setenv("TAMBORO_MIDI_API", "jack", 1);
    porttest::JackPeer sender;
    midiports::RtMidiService service("tamboro-bench-stamps");
    if (!service.Available()) {
        state.SkipWithError("no JACK server");
        return;
    }
    midiports::ManualPortWindow window;
    midiports::TMidiInput input(service, window);
    try {
        input.SetProductName(sender.OutputName());
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    input.Open();
    input.Start();
    if (!input.IsOpen()) {
        state.SkipWithError("the input did not open");
        return;
    }
    // The connection is made in a period of its own: wait until a note comes through.
    bool connected = false;
    for (int i = 0; i < 200 && !connected; ++i) {
        sender.Send({0x99, 36, 1});
        connected = window.PumpUntil([&] { return input.TakeEvent() != nullptr; },
                                     std::chrono::milliseconds(20));
    }
    if (!connected) {
        state.SkipWithError("no note came through");
        return;
    }
    // Stray notes of the connecting go.
    window.PumpUntil(
        [&] {
            while (input.TakeEvent()) {
            }
            return false;
        },
        std::chrono::milliseconds(50));

    const int notes = static_cast<int>(state.range(0));
    Spread stamped, taken;
    for (auto _ : state) {
        std::vector<Clock::time_point> stamps, seen;
        std::atomic<bool> done{false};
        std::thread player([&] {
            auto next = Clock::now() + kApart;
            for (int k = 0; k < notes; ++k) {
                std::this_thread::sleep_until(next);
                sender.Send({0x99, 38, static_cast<std::uint8_t>(1 + k % 127)});
                next += kApart;
            }
            done = true;
        });
        Clock::time_point giveUp = Clock::time_point::max();
        while (static_cast<int>(stamps.size()) < notes && Clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            window.Pump();
            while (auto event = input.TakeEvent()) {
                if (event->StatusByte != 0x99 || event->DataByte1 != 38) continue;
                stamps.push_back(event->Delivered);
                seen.push_back(Clock::now());
            }
            if (done && giveUp == Clock::time_point::max())
                giveUp = Clock::now() + std::chrono::milliseconds(500);
        }
        player.join();
        stamped = Measure(stamps);
        taken = Measure(seen);
        if (static_cast<int>(stamps.size()) != notes) state.SkipWithError("notes were lost");
    }
    state.counters["median_ms"] = stamped.Median;
    state.counters["p95_error_ms"] = stamped.P95Error;
    state.counters["taken_p95_error_ms"] = taken.P95Error;
}

BENCHMARK(BM_StampedIntervals)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
