// The time stamps of the trigger check over a private JACK server, at 64, 256 and 1,024
// frames a period: a JACK client of this process plays notes 4, 12 and 25 ms apart (on a
// schedule, not after a sleep) and puts each at its own frame of the next cycle, as a
// device's driver does; the input port stamps them, and the taking side takes them only
// every 50 ms, as a busy window would. Counters, in ms: how far the stamped intervals are
// from the intervals at which the notes were sent, at the median, the 95th percentile and
// at most, and the most for each spacing (target within 1 ms); how many intervals are more
// than 1 ms off ("over_1ms", of notes - 1); how many notes the playing client could not put
// at the frame their time had, as its cycles fell behind the clock on a busy machine
// ("misplaced": the instrument's error, not the stamps'); and the 95th percentile for the
// times at which the taking side saw them ("taken_p95_error_ms"), which the stamps avoid.
// Needs a running server (JACK_DEFAULT_SERVER) and skips without one; it sets the server's
// period for its run and puts it back.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "midiports/ManualPortWindow.h"
#include "midiports/MidiInput.h"
#include "midiports/RtMidiService.h"
#include "tests/midiports/JackPeers.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::array<int, 3> kGapsMs{4, 12, 25};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> values, int percent) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1,
                           values.size() * static_cast<std::size_t>(percent) / 100)];
}

void BM_StampedIntervals(benchmark::State& state) {
    ::setenv("TAMBORO_MIDI_API", "jack", 1);
    porttest::JackFramePeer sender;
    midiports::RtMidiService service("tamboro-bench-stamps");
    if (!sender.Ready() || !service.Available()) {
        state.SkipWithError("no JACK server");
        return;
    }
    const jack_nframes_t serverPeriod = sender.Period();
    const auto period = static_cast<jack_nframes_t>(state.range(0));
    if (!sender.SetPeriod(period)) {
        state.SkipWithError("the server's period cannot be set");
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
    // The connection is made in a period of its own: wait until a note comes through, then
    // let stray notes of the connecting go.
    bool connected = false;
    for (int i = 0; i < 200 && !connected; ++i) {
        sender.Send({0x99, 36, 1});
        connected = window.PumpUntil([&] { return input.TakeEvent() != nullptr; },
                                     std::chrono::milliseconds(50));
    }
    if (!connected) {
        state.SkipWithError("no note came through");
        return;
    }
    window.PumpUntil(
        [&] {
            while (input.TakeEvent()) {
            }
            return false;
        },
        std::chrono::milliseconds(100));

    const int notes = static_cast<int>(state.range(1));
    std::vector<double> errors, takenErrors;
    std::map<int, double> worstByGap;
    for (auto _ : state) {
        std::vector<Clock::time_point> sent(static_cast<std::size_t>(notes));
        std::vector<Clock::time_point> stamps, seen;
        std::atomic<bool> done{false};
        std::thread player([&] {
            auto next = Clock::now() + std::chrono::milliseconds(kGapsMs[0]);
            for (int k = 0; k < notes; ++k) {
                std::this_thread::sleep_until(next);
                sent[static_cast<std::size_t>(k)] =
                    sender.Send({0x99, 38, static_cast<std::uint8_t>(1 + k % 127)});
                next += std::chrono::milliseconds(
                    kGapsMs[static_cast<std::size_t>(k + 1) % kGapsMs.size()]);
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
        if (static_cast<int>(stamps.size()) != notes) {
            state.SkipWithError("notes were lost");
            break;
        }
        for (std::size_t k = 1; k < stamps.size(); ++k) {
            const double wanted = Ms(sent[k] - sent[k - 1]);
            const double error = std::abs(Ms(stamps[k] - stamps[k - 1]) - wanted);
            errors.push_back(error);
            takenErrors.push_back(std::abs(Ms(seen[k] - seen[k - 1]) - wanted));
            double& worst = worstByGap[kGapsMs[k % kGapsMs.size()]];
            worst = std::max(worst, error);
        }
    }
    sender.SetPeriod(serverPeriod);
    state.counters["median_error_ms"] = Percentile(errors, 50);
    state.counters["p95_error_ms"] = Percentile(errors, 95);
    state.counters["max_error_ms"] = Percentile(errors, 100);
    state.counters["over_1ms"] = static_cast<double>(
        std::count_if(errors.begin(), errors.end(), [](double e) { return e > 1.0; }));
    for (const auto& [gap, worst] : worstByGap)
        state.counters["max_error_" + std::to_string(gap) + "ms_apart"] = worst;
    state.counters["misplaced"] = sender.Misplaced();
    state.counters["taken_p95_error_ms"] = Percentile(takenErrors, 95);
}

BENCHMARK(BM_StampedIntervals)
    ->ArgsProduct({{64, 256, 1024}, {300}})
    ->ArgNames({"frames", "notes"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
