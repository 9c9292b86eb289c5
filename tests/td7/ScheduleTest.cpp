// The schedule of a groove's notes and the player that sends them: step times from the
// tempo and the swing, note-offs after the gate or before the next hit, the velocity run,
// and a seeded harness that plays random grooves through the player on a clock of its own.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "td7/audition/Player.h"
#include "td7/audition/Schedule.h"

namespace {

using namespace std::chrono_literals;
using td7::Role;
using td7::TNoteEvent;
using ns = std::chrono::nanoseconds;

}  // namespace

namespace td7 {
// Readable failures.
void PrintTo(const TNoteEvent& e, std::ostream* out) {
    *out << (e.On ? "on " : "off ") << e.Time.count() / 1'000'000.0 << " ms note " << e.Note
         << " velocity " << e.Velocity;
}
}  // namespace td7

namespace {

td7::TGroove Groove(const std::string& text) {
    return td7::ParseGroove(text, "g", "g");
}

TEST(Schedule, StepTimesComeFromTheStepNumber) {
    const td7::TGroove sixteenths =
        Groove("steps-per-beat: 4\nkick: 1 . . . . . . . . . . . . . . .");
    const td7::TGroove triplets = Groove("steps-per-beat: 3\nkick: 1 . . . . . . . . . . .");
    const struct {
        const td7::TGroove* groove;
        td7::TTempo tempo;
        long long step;
        ns time;
    } cases[] = {
        {&sixteenths, {120, 50}, 1, 125ms},
        {&sixteenths, {120, 50}, 16, 2s},
        // Five minutes at 120 BPM in sixteenths: 2,400 steps, exactly 300 s, no drift.
        {&sixteenths, {120, 50}, 2400, 300s},
        {&sixteenths, {120, 66}, 1, 165ms},  // the second of a pair moves to 66%
        {&sixteenths, {120, 66}, 2, 250ms},  // the first stays on the grid
        {&sixteenths, {120, 75}, 3, 437'500us},
        {&sixteenths, {240, 50}, 1, 62'500us},
        {&sixteenths, {40, 50}, 1, 375ms},
        // 7/(140*4) min = 750 ms; a step of 107.142857.. ms is not added up but divided.
        {&sixteenths, {140, 50}, 7, 750ms},
        {&sixteenths, {140, 50}, 1'000'001, ns(107'142'964'285'714)},
        {&triplets, {120, 66}, 1, ns(166'666'666)},  // triplets take no swing
    };
    for (const auto& c : cases)
        EXPECT_EQ(td7::StepTime(*c.groove, c.tempo, c.step), c.time)
            << c.tempo.Bpm << " BPM swing " << c.tempo.Swing << " step " << c.step;
    EXPECT_THROW(td7::CheckTempo({39, 50}), td7::GrooveError);
    EXPECT_THROW(td7::CheckTempo({241, 50}), td7::GrooveError);
    EXPECT_THROW(td7::CheckTempo({120, 76}), td7::GrooveError);
}

TEST(Schedule, NoteOffsFollowAfterTheGateOrBeforeTheNextHit) {
    // Two beats in eighths at 60 BPM: a step is 500 ms.
    const td7::TGroove groove = Groove(
        "beats: 2\nsteps-per-beat: 2\n"
        "kick:  100 .  90 .\n"
        "crash: 110 .  .  .\n"
        "snare: .   80 .  .\n");
    td7::TKitNotes kit{};
    kit[static_cast<std::size_t>(Role::Kick)] = td7::TRoleNote{36, 2000ms};  // longer than a step
    kit[static_cast<std::size_t>(Role::Crash)] = td7::TRoleNote{49, 1200ms};
    kit[static_cast<std::size_t>(Role::Snare)] = td7::TRoleNote{38, 100ms};
    const struct {
        long long bars;
        bool noteOffs;
        long long bar;
        std::vector<TNoteEvent> events;
    } cases[] = {
        {0,
         true,
         0,
         {{0ms, 36, 100, true},
          {0ms, 49, 110, true},
          {500ms, 38, 80, true},
          {600ms, 38, 0, false},
          {1000ms, 36, 0, false},
          {1000ms, 36, 90, true},
          {1200ms, 49, 0, false},
          {2000ms, 36, 0, false}}},
        // Bar 3 of a loop: the kick's note-off cut at the next bar's kick.
        {0,
         true,
         3,
         {{6000ms, 36, 100, true},
          {6000ms, 49, 110, true},
          {6500ms, 38, 80, true},
          {6600ms, 38, 0, false},
          {7000ms, 36, 0, false},
          {7000ms, 36, 90, true},
          {7200ms, 49, 0, false},
          {8000ms, 36, 0, false}}},
        // The last of a fixed number of bars: nothing follows, the gate holds.
        {1,
         true,
         0,
         {{0ms, 36, 100, true},
          {0ms, 49, 110, true},
          {500ms, 38, 80, true},
          {600ms, 38, 0, false},
          {1000ms, 36, 0, false},
          {1000ms, 36, 90, true},
          {1200ms, 49, 0, false},
          {3000ms, 36, 0, false}}},
        {0,
         false,
         0,
         {{0ms, 36, 100, true},
          {0ms, 49, 110, true},
          {500ms, 38, 80, true},
          {1000ms, 36, 90, true}}},
    };
    const auto half = [](const td7::TTempo& t) { return t; };
    for (const auto& c : cases) {
        const td7::TGrooveSchedule schedule(groove, kit, half({60, 50}), c.bars, c.noteOffs);
        EXPECT_EQ(schedule.BarEvents(c.bar), c.events) << "bar " << c.bar << " of " << c.bars;
        EXPECT_EQ(schedule.BarStart(c.bar), c.bar * 2s);
    }
}

TEST(Schedule, VelocityRunGoesFromSoftToHardOnABeat) {
    const struct {
        int low, high, count;
        std::vector<int> velocities;
    } cases[] = {
        {1, 127, 8, {1, 19, 37, 55, 73, 91, 109, 127}},
        {40, 100, 4, {40, 60, 80, 100}},
        {64, 64, 3, {64, 64, 64}},
    };
    for (const auto& c : cases) {
        const td7::TVelocityRun run({38, 50ms}, c.low, c.high, c.count, 120, true);
        std::vector<int> velocities;
        for (const TNoteEvent& e : run.BarEvents(0)) {
            if (!e.On) {
                EXPECT_EQ(e.Time % 500ms, 50ms);
                continue;
            }
            EXPECT_EQ(e.Time, static_cast<long long>(velocities.size()) * 500ms);
            velocities.push_back(e.Velocity);
        }
        EXPECT_EQ(velocities, c.velocities);
    }
    EXPECT_THROW(td7::TVelocityRun({38, 50ms}, 100, 40, 8, 120, true), td7::GrooveError);
    EXPECT_THROW(td7::TVelocityRun({38, 50ms}, 0, 40, 8, 120, true), td7::GrooveError);
}

// A random groove written out as a file would be.
std::string RandomGrooveText(std::mt19937& random, td7::TGroove& expected) {
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    expected.Bars = pick(1, 4);
    expected.Beats = pick(1, 7);
    expected.StepsPerBeat = pick(1, 8);
    std::string text = "bars: " + std::to_string(expected.Bars) +
                       "\nbeats: " + std::to_string(expected.Beats) +
                       "\nsteps-per-beat: " + std::to_string(expected.StepsPerBeat) + "\n";
    std::vector<std::vector<int>> steps(td7::kRoleCount);
    for (int r = 0; r < td7::kRoleCount; ++r) {
        if (pick(0, 2) == 0) continue;
        steps[static_cast<std::size_t>(r)].resize(static_cast<std::size_t>(expected.Steps()));
        text += std::string(td7::RoleName(static_cast<Role>(r))) + ":";
        for (int s = 0; s < expected.Steps(); ++s) {
            const int v = pick(0, 3) == 0 ? pick(1, 127) : 0;
            steps[static_cast<std::size_t>(r)][static_cast<std::size_t>(s)] = v;
            text += v ? " " + std::to_string(v) : " .";
            if (s % expected.StepsPerBar() == expected.StepsPerBar() - 1) text += " |";
        }
        text += "\n";
    }
    for (int s = 0; s < expected.Steps(); ++s)
        for (int r = 0; r < td7::kRoleCount; ++r)
            if (!steps[static_cast<std::size_t>(r)].empty() &&
                steps[static_cast<std::size_t>(r)][static_cast<std::size_t>(s)] > 0)
                expected.Hits.push_back(
                    {s, static_cast<Role>(r),
                     steps[static_cast<std::size_t>(r)][static_cast<std::size_t>(s)]});
    return text;
}

// Random grooves, kits, tempos and stops, played through the player on the harness's clock:
// the file reads back as written, every note goes out at the deadline its step number gives
// (so five minutes hold to the nanosecond), roles without a note stay silent, and with
// note-offs every note is released, also after a stop.
TEST(PlayerHarness, RandomGroovesPlayOnTheirGridAndLeaveNothingSounding) {
    using Clock = td7::TPlayer::Clock;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        auto pick = [&](int low, int high) {
            return std::uniform_int_distribution<int>(low, high)(random);
        };
        td7::TGroove expected;
        const std::string text = RandomGrooveText(random, expected);
        td7::TGroove groove;
        try {
            groove = td7::ParseGroove(text, "g", "g");
        } catch (const td7::GrooveError& e) {
            ASSERT_TRUE(expected.Hits.empty()) << e.what();
            continue;
        }
        ASSERT_EQ(groove.Hits, expected.Hits);

        td7::TKitNotes kit{};
        for (auto& note : kit)
            if (pick(0, 5) > 0)
                note = td7::TRoleNote{pick(35, 40), std::chrono::milliseconds(100 * pick(1, 40))};
        const td7::TTempo tempo{pick(td7::kMinBpm, td7::kMaxBpm), pick(0, 1) ? 50 : pick(50, 75)};
        const long long bars = pick(0, 3) == 0 ? 0 : pick(1, 6);
        const bool noteOffs = pick(0, 1) == 1;
        auto schedule = std::make_shared<td7::TGrooveSchedule>(groove, kit, tempo, bars, noteOffs);

        struct TSent {
            Clock::time_point at;
            int wait;  // how many waits came before
            std::uint8_t status, note, velocity;
        };
        std::vector<TSent> sent;
        Clock::time_point now{};
        const Clock::time_point start = Clock::time_point{} + 1h;
        // An endless loop is stopped at the latest after 2,000 waits.
        const int stopAfter = bars == 0 || pick(0, 1) ? pick(1, 2000) : -1;
        int waits = 0;
        td7::TPlayer player([&](std::uint8_t s, std::uint8_t n, std::uint8_t v) {
            sent.push_back({now, waits, s, n, v});
        });
        player.SetWait([&](Clock::time_point deadline) {
            ASSERT_GE(deadline, now);
            now = deadline;
            if (++waits == stopAfter) player.RequestStop();
        });
        player.Play(schedule, noteOffs, start);
        player.Wait();
        player.Stop();
        EXPECT_EQ(player.Failure(), "");

        const int perMinute = tempo.Bpm * groove.StepsPerBeat;
        std::map<int, int> sounding;
        std::size_t ons = 0;
        for (const TSent& s : sent) {
            ASSERT_TRUE(s.status == td7::kNoteOnCh10 || s.status == td7::kNoteOffCh10);
            if (s.status == td7::kNoteOffCh10) {
                ASSERT_TRUE(noteOffs);
                ASSERT_GT(sounding[s.note], 0) << "a note-off of a note not sounding";
                --sounding[s.note];
                continue;
            }
            if (stopAfter > 0) {
                ASSERT_LT(s.wait, stopAfter) << "a note-on after the stop";
            }
            ++ons;
            // The grid time of the step from a plain reference: minutes per step, swung.
            const double t = (s.at - start).count() * 1e-9;
            const double stepExact = t * perMinute / 60.0;
            long long step = std::llround(stepExact);
            bool onGrid = std::abs(stepExact - static_cast<double>(step)) * 60.0 / perMinute < 1e-8;
            if (!onGrid && tempo.Swing != 50 && groove.StepsPerBeat % 2 == 0) {
                step = static_cast<long long>(std::floor(stepExact / 2)) * 2 + 1;
                const double swung =
                    (static_cast<double>(step - 1) + 2.0 * tempo.Swing / 100.0) * 60.0 / perMinute;
                onGrid = std::abs(swung - t) < 1e-8;
            }
            ASSERT_TRUE(onGrid) << "note at " << t << " s";
            bool inGroove = false;
            for (const td7::TGrooveHit& hit : groove.Hits) {
                const auto& note = kit[static_cast<std::size_t>(hit.What)];
                inGroove |= note && hit.Step == step % groove.Steps() && note->Note == s.note &&
                            hit.Velocity == s.velocity;
            }
            ASSERT_TRUE(inGroove) << "step " << step << " note " << int(s.note);
            if (bars > 0) {
                ASSERT_LT(step, bars * groove.StepsPerBar());
            }
            ++sounding[s.note];
        }
        if (noteOffs) {
            for (const auto& [note, count] : sounding)
                EXPECT_EQ(count, 0) << "note " << note << " hangs";
        }
        if (stopAfter < 0) {
            std::size_t expectedOns = 0;
            for (long long b = 0; b < bars; ++b)
                for (const TNoteEvent& e : schedule->BarEvents(b)) expectedOns += e.On;
            EXPECT_EQ(ons, expectedOns);
        }
    }
}

}  // namespace

namespace {

// A loop with nothing to play (the kit has no note for its only role) ends by itself.
TEST(Player, ALoopWithoutNotesEnds) {
    const auto schedule = std::make_shared<td7::TGrooveSchedule>(
        Groove("beats: 1\nsteps-per-beat: 1\nride-bell: 100\n"), td7::TKitNotes{}, td7::TTempo{}, 0, true);
    int sent = 0;
    td7::TPlayer player([&](std::uint8_t, std::uint8_t, std::uint8_t) { ++sent; });
    player.SetWait([](td7::TPlayer::Clock::time_point) {});
    player.Play(schedule, true);
    player.Wait();
    EXPECT_FALSE(player.Playing());
    EXPECT_EQ(sent, 0);
}

}  // namespace
