// "play" and "grooves" on a fake MIDI service: a run on the setup's patch, a MIDI file stopped
// by Ctrl+C with no note left sounding, one-line refusals, the groove folders, an output
// pulled out. A groove on the module's own patch is played over JACK.

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <iomanip>
#include <map>
#include <sstream>
#include <thread>

#include "simulator/Td7Module.h"
#include "tests/cli/CliHarness.h"
#include "tests/support/FakeMidiService.h"

namespace clitest {
namespace {

using namespace std::chrono_literals;

class Play : public ::testing::Test {
  protected:
    void SetUp() override {
        env.Service = &fake;
        env.GrooveFolders = {TAMBORO_GROOVES_DIR};
    }
    // Patch 2 with trigger t on note 40 + t at a gate of 0.1 s, the system's "Note Off
    // Recieve" as given.
    void WriteSetup(bool noteOffs) {
        Td7Module module;
        for (int t = 0; t < Td7Module::kTriggerCount; ++t) {
            auto data = module.Data(Td7Module::TriggerBlock(1, t));
            data[0] = static_cast<std::uint8_t>(40 + t);
            data[1] = 1;
        }
        module.Data(Td7Module::SystemBlock())[14] = noteOffs ? 1 : 0;
        WriteBytes(folder / "kit.td7", SetupBytes(module, {1}, false, true));
    }
    TTestFolder folder;
    testsupport::FakeMidiService fake{{"TD-7 In"}, {"TD-7 Out"}};
    cli::TEnvironment env;
};

// The setup's switch says note-offs are not heard, so none are sent.
TEST_F(Play, AVelocityRunGoesFromSoftToHard) {
    WriteSetup(false);
    const TResult r = RunCli({"play", "--run", "snare", "--velocities", "20-90", "--bpm", "240",
                              "--setup", folder / "kit.td7", "--patch", "2", "--out", "TD-7 Out"},
                             env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    std::vector<int> velocities;
    for (const auto& m : fake.SentTo(0)) velocities.push_back(m.bytes[1] == 42 ? m.bytes[2] : -1);
    EXPECT_EQ(velocities, (std::vector<int>{20, 30, 40, 50, 60, 70, 80, 90}));
}

bool InterruptHandled() {
    struct sigaction now {};
    ::sigaction(SIGINT, nullptr, &now);
    return now.sa_handler != SIG_DFL;
}

TEST_F(Play, AMidiFileStopsOnCtrlCWithNoNoteLeftSounding) {
    // A type 0 file: channel-10 notes a second apart, each held for two, and a note on
    // channel 1 that is no drum's.
    Bytes track = {0x00, 0x99, 36, 100, 0x00, 0x90, 60, 100};
    for (int k = 0; k < 10; ++k) Append(track, {0x83, 0x00, 0x99, std::uint8_t(37 + k), 90});
    Append(track, {0x00, 0xFF, 0x2F, 0x00});
    Bytes file = {
        'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
        1,   0,   192, 'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(track.size())};
    Append(file, track);
    WriteBytes(folder / "drums.mid", file);

    std::thread interrupter([this] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while ((!InterruptHandled() || fake.SentTo(0).size() < 2) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);  // polling the command's thread
        ::kill(::getpid(), SIGINT);
    });
    const TResult r = RunCli({"play", folder / "drums.mid", "--out", "TD-7 Out"}, env);
    interrupter.join();
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(
        r.Err.starts_with("Playing " + folder / "drums.mid" + ": 11 note events; Ctrl+C stops\n"))
        << r.Err;
    EXPECT_NE(r.Err.find("Stopped after 2 notes, none left sounding\n"), std::string::npos)
        << r.Err;
    // Note-ons by note, and what each note still sounds.
    std::map<int, int> ons, sounding;
    for (const auto& m : fake.SentTo(0)) {
        ASSERT_TRUE(m.bytes.size() == 3 && (m.bytes[0] == 0x99 || m.bytes[0] == 0x89));
        ons[m.bytes[1]] += m.bytes[0] == 0x99;
        sounding[m.bytes[1]] += m.bytes[0] == 0x99 ? 1 : -1;
    }
    EXPECT_EQ(ons, (std::map<int, int>{{36, 1}, {37, 1}}));
    EXPECT_EQ(sounding, (std::map<int, int>{{36, 0}, {37, 0}}));
}

TEST_F(Play, RefusalsAreOneLine) {
    WriteSetup(true);
    WriteBytes(folder / "bad.mid",
               {'R', 'I', 'F', 'F', 0, 0, 0, 6, 'W', 'A', 'V', 'E', 0, 1, 0, 96});
    // The arguments after "play" as a shell splits them; KIT and BAD stand for the files above.
    const auto expand = [&](std::string text) {
        for (const auto& [name, path] :
             {std::pair{"KIT", folder / "kit.td7"}, {"BAD", folder / "bad.mid"}})
            if (const auto at = text.find(name); at != std::string::npos) text.replace(at, 3, path);
        return text;
    };
    const struct {
        std::string args;
        int code;
        std::string err;
    } cases[] = {
        {"BAD --out 1", 1, "BAD: not a Standard MIDI File"},
        {"--groove polka --setup KIT --out 1", 1,
         "No groove \"polka\"; there are ballad-ride, bossa, double-kick, funk-16ths, half-time, "
         "rock, shuffle, tom-fill"},
        // A groove is found by its name as a list shows it, before the patch is looked at.
        {"--groove \"Funk 16ths\" --setup KIT --out 1", 1, "Patch 1 is empty in KIT"},
        {"--groove rock --out 1", 2,
         "play needs --setup FILE or --in DEV (the patch whose notes are played)"},
        {"x.mid --groove rock --out 1", 2, "play needs one of FILE.mid, --groove NAME, --run ROLE"},
        {"x.mid --bpm 100 --out 1", 2, "play FILE.mid plays the file as it is: leave out --bpm"},
        {"--groove rock --bpm 241 --setup KIT --out 1", 2, "invalid tempo \"241\" (40..240)"},
        {"--groove rock --swing 80 --setup KIT --out 1", 2, "invalid swing \"80\" (50..75)"},
        {"--run cowbell --setup KIT --out 1", 2,
         "unknown role \"cowbell\" (kick, snare, snare-rim, hihat-closed, hihat-open, hihat-pedal, "
         "tom1, tom2, tom3, tom4, ride, ride-bell, crash)"},
        {"--run kick --velocities 90-20 --setup KIT --out 1", 2,
         "invalid velocity \"20\" (90..127)"},
        {"--groove rock --setup KIT", 2, "play needs --out"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"play"};
        std::istringstream words(c.args);
        for (std::string word; words >> std::quoted(word);) args.push_back(expand(word));
        const TResult r = RunCli(args, env);
        EXPECT_EQ(r.Code, c.code) << c.args;
        EXPECT_EQ(r.Err.substr(0, r.Err.find('\n') + 1), "tamboro-cli: " + expand(c.err) + "\n");
    }
    EXPECT_TRUE(fake.SentTo(0).empty());
}

// A user's groove replaces the built-in one of its name; a bad file is skipped with its
// fault; other files and a missing folder are passed over.
TEST_F(Play, GroovesListsTheBuiltInOnesAndTheUsersOwn) {
    std::ofstream(folder / "rock.groove")
        << "name: My rock\nbars: 1\nbeats: 1\nsteps-per-beat: 1\nkick: 100\n";
    std::ofstream(folder / "broken.groove") << "kick: loud\n";
    std::ofstream(folder / "notes.txt") << "not a groove\n";
    env.GrooveFolders = {TAMBORO_GROOVES_DIR, folder / "", folder / "missing"};
    const TResult r = RunCli({"grooves"}, env);
    ASSERT_EQ(r.Code, 0);
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 8);
    EXPECT_NE(r.Out.find("\nrock  My rock, 1 bar of 1 beats, 1 step a beat\n"), std::string::npos);
    EXPECT_NE(r.Out.find("\nfunk-16ths  Funk 16ths, 1 bar of 4 beats, 4 steps a beat\n"),
              std::string::npos);
    EXPECT_EQ(r.Err, "Skipped " + folder / "broken.groove" +
                         ":1: \"loud\" is no step: a velocity from 1 to 127, or \".\"\n");
}

TEST_F(Play, AnOutputPulledOutEndsThePlayWithStatus1) {
    WriteSetup(false);
    fake.UnplugAfter(0, 5);
    const TResult r = RunCli({"play", "--groove", "rock", "--bpm", "240", "--setup",
                              folder / "kit.td7", "--patch", "2", "--out", "TD-7 Out"},
                             env);
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.ends_with(
        "tamboro-cli: The MIDI device \"TD-7 Out\" is gone. The play ended there.\n"))
        << r.Err;
}

}  // namespace
}  // namespace clitest
