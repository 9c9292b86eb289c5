// The schedule of a groove's notes and the player that sends them: a seeded harness that
// writes random groove files and plays them on a clock of its own, and the rules it does not
// reach (long runs, note-off times, the velocity run).

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "td7/audition/Player.h"
#include "td7/audition/Schedule.h"

namespace td7 {
void PrintTo(const TNoteEvent& e, std::ostream* out) {
    *out << (e.On ? "on " : "off ") << e.Time.count() / 1'000'000.0 << " ms note " << e.Note
         << " velocity " << e.Velocity;
}
}  // namespace td7

namespace {

using namespace std::chrono_literals;
using td7::Role;
using td7::TNoteEvent;
using ns = std::chrono::nanoseconds;

td7::TGroove Groove(const std::string& text) {
    return td7::ParseGroove(text, "g", "g");
}

TEST(Schedule, LongRunsHoldToTheNanosecondAndTempoIsBounded) {
    const td7::TGroove sixteenths =
        Groove("steps-per-beat: 4\nkick: 1 . . . . . . . . . . . . . . .");
    EXPECT_EQ(td7::StepTime(sixteenths, {120, 50}, 2400), 300s);
    EXPECT_EQ(td7::StepTime(sixteenths, {140, 50}, 1'000'001), ns(107'142'964'285'714));
    EXPECT_EQ(td7::StepTime(sixteenths, {120, 75}, 3), 437'500us);
    for (const td7::TTempo bad : {td7::TTempo{39, 50}, {241, 50}, {120, 76}, {120, 49}})
        EXPECT_THROW(td7::CheckTempo(bad), td7::GrooveError) << bad.Bpm << " " << bad.Swing;
}

TEST(Schedule, NoteOffsFollowAfterTheGateOrBeforeTheNextHit) {
    // Two beats in eighths at 60 BPM: a step is 500 ms. The kick's gate is longer than a step.
    const td7::TGroove groove = Groove(
        "beats: 2\nsteps-per-beat: 2\nkick: 100 . 90 .\ncrash: 110 . . .\nsnare: . 80 . .\n");
    td7::TKitNotes kit{};
    kit[static_cast<std::size_t>(Role::Kick)] = td7::TRoleNote{36, 2000ms};
    kit[static_cast<std::size_t>(Role::Crash)] = td7::TRoleNote{49, 1200ms};
    kit[static_cast<std::size_t>(Role::Snare)] = td7::TRoleNote{38, 100ms};
    const std::vector<TNoteEvent> ons = {
        {0ms, 36, 100, true}, {0ms, 49, 110, true}, {500ms, 38, 80, true}, {1000ms, 36, 90, true}};
    // In a loop the last kick is cut at the next bar's kick; after the last bar its gate holds.
    const auto withOffs = [&](ns lastKickOff) {
        return std::vector<TNoteEvent>{ons[0],
                                       ons[1],
                                       ons[2],
                                       {600ms, 38, 0, false},
                                       {1000ms, 36, 0, false},
                                       ons[3],
                                       {1200ms, 49, 0, false},
                                       {lastKickOff, 36, 0, false}};
    };
    const struct {
        long long bars;
        bool noteOffs;
        std::vector<TNoteEvent> events;
    } cases[] = {{0, true, withOffs(2000ms)}, {1, true, withOffs(3000ms)}, {0, false, ons}};
    for (const auto& c : cases) {
        const td7::TGrooveSchedule schedule(groove, kit, {60, 50}, c.bars, c.noteOffs);
        EXPECT_EQ(schedule.BarEvents(0), c.events) << c.bars << " bars, note-offs " << c.noteOffs;
        EXPECT_EQ(schedule.BarStart(3), 6s);
    }
}

// Spread evenly from the softest to the hardest, one a beat, each released after its gate.
TEST(Schedule, VelocityRunGoesFromSoftToHardOnABeat) {
    std::vector<int> velocities;
    for (const TNoteEvent& e : td7::TVelocityRun({38, 50ms}, 1, 127, 8, 120, true).BarEvents(0)) {
        const long long beat = static_cast<long long>(velocities.size()) - (e.On ? 0 : 1);
        EXPECT_EQ(e.Time, beat * 500ms + (e.On ? 0ms : 50ms));
        if (e.On) velocities.push_back(e.Velocity);
    }
    EXPECT_EQ(velocities, (std::vector<int>{1, 19, 37, 55, 73, 91, 109, 127}));
    EXPECT_EQ(td7::TVelocityRun({38, 50ms}, 64, 64, 2, 120, false).BarEvents(0),
              (std::vector<TNoteEvent>{{0ms, 38, 64, true}, {500ms, 38, 64, true}}));
    EXPECT_THROW(td7::TVelocityRun({38, 50ms}, 100, 40, 8, 120, true), td7::GrooveError);
    EXPECT_THROW(td7::TVelocityRun({38, 50ms}, 0, 40, 8, 120, true), td7::GrooveError);
}

// A random groove written out as a file would be: a comment, a name or none, bar lines,
// Windows line ends now and then.
std::string RandomGrooveText(std::mt19937& random, td7::TGroove& expected) {
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    expected.Bars = pick(1, 4);
    expected.Beats = pick(1, 7);
    expected.StepsPerBeat = pick(1, 8);
    expected.Name = pick(0, 1) ? "Random" : "g";
    const std::string end = pick(0, 1) ? "\r\n" : "\n";
    std::string text = "# random" + end + (expected.Name == "g" ? "" : "name: Random" + end) +
                       "bars: " + std::to_string(expected.Bars) + end +
                       "beats: " + std::to_string(expected.Beats) + end +
                       "steps-per-beat: " + std::to_string(expected.StepsPerBeat) + end;
    // grid[step][role]: a velocity, 0 for a rest, -1 where the role has no line.
    std::vector<std::vector<int>> grid(static_cast<std::size_t>(expected.Steps()),
                                       std::vector<int>(td7::kRoleCount, -1));
    for (int r = 0; r < td7::kRoleCount; ++r) {
        if (pick(0, 2) == 0) continue;
        text += std::string(td7::RoleName(static_cast<Role>(r))) + ":";
        for (int s = 0; s < expected.Steps(); ++s) {
            const int v = pick(0, 3) == 0 ? pick(1, 127) : 0;
            grid[static_cast<std::size_t>(s)][static_cast<std::size_t>(r)] = v;
            text += v ? " " + std::to_string(v) : " .";
            if (s % expected.StepsPerBar() == expected.StepsPerBar() - 1) text += " |";
        }
        text += end;
    }
    for (int s = 0; s < expected.Steps(); ++s)
        for (int r = 0; r < td7::kRoleCount; ++r)
            if (const int v = grid[static_cast<std::size_t>(s)][static_cast<std::size_t>(r)]; v > 0)
                expected.Hits.push_back({s, static_cast<Role>(r), v});
    return text;
}

// Random grooves, kits, tempos and stops, played through the player on the harness's clock:
// the file reads back as written, every note goes out at the deadline its step number gives,
// roles without a note stay silent, and with note-offs every note is released, also after a
// stop.
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
            groove = Groove(text);
        } catch (const td7::GrooveError& e) {
            ASSERT_TRUE(expected.Hits.empty()) << e.what();
            continue;
        }
        ASSERT_EQ(groove.Hits, expected.Hits);
        ASSERT_EQ(groove.Name, expected.Name);

        // A kit without notes now and then: a loop with nothing to play must end by itself.
        const bool silent = pick(0, 9) == 0;
        td7::TKitNotes kit{};
        for (auto& note : kit)
            if (!silent && pick(0, 5) > 0) note = td7::TRoleNote{pick(35, 40), 100ms * pick(1, 40)};
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
        const int stopAfter = (bars == 0 && !silent) || pick(0, 1) ? pick(1, 2000) : -1;
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
        EXPECT_FALSE(player.Playing());
        player.Stop();
        EXPECT_EQ(player.Failure(), "");

        const int perMinute = tempo.Bpm * groove.StepsPerBeat;
        std::map<int, int> sounding;
        std::size_t ons = 0;
        for (const TSent& s : sent) {
            const bool on = s.status == td7::kNoteOnCh10;
            ASSERT_TRUE(on || (noteOffs && s.status == td7::kNoteOffCh10)) << int(s.status);
            sounding[s.note] += on ? 1 : -1;
            ASSERT_GE(sounding[s.note], 0) << "a note-off of a note not sounding";
            if (!on) continue;
            ASSERT_TRUE(stopAfter < 0 || s.wait < stopAfter) << "a note-on after the stop";
            ++ons;
            // The step from a plain reference: minutes per step, the second of a pair swung.
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
            ASSERT_TRUE(bars == 0 || step < bars * groove.StepsPerBar()) << "step " << step;
        }
        for (const auto& [note, count] : sounding)
            EXPECT_TRUE(!noteOffs || count == 0) << "note " << note << " hangs";
        if (stopAfter < 0) {
            std::size_t expectedOns = 0;
            for (long long b = 0; b < bars; ++b)
                for (const TNoteEvent& e : schedule->BarEvents(b)) expectedOns += e.On;
            EXPECT_EQ(ons, expectedOns);
        }
    }
}

}  // namespace
