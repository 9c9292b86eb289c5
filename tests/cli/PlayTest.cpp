// "play" and "grooves": a groove goes out on channel 10 with the notes of the setup's patch,
// note-offs as the system's switch says; a MIDI file's drum notes go out and Ctrl+C stops
// with none left sounding; what is refused is refused with one line.

#include <signal.h>
#include <unistd.h>

#include <map>
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
    // Note-ons by note, and whether every note was released as often as it was struck.
    struct TNotes {
        std::map<int, int> Ons;
        int Offs = 0;
        bool Released = true;
        bool OnlyChannel10 = true;
    };
    TNotes Sent(std::size_t from = 0) const {
        TNotes notes;
        std::map<int, int> sounding;
        const auto all = fake.SentTo(0);
        for (std::size_t k = from; k < all.size(); ++k) {
            const auto& m = all[k];
            notes.OnlyChannel10 &=
                m.bytes.size() == 3 && (m.bytes[0] == 0x99 || m.bytes[0] == 0x89);
            if (m.bytes[0] == 0x99) {
                ++notes.Ons[m.bytes[1]];
                ++sounding[m.bytes[1]];
            } else {
                ++notes.Offs;
                --sounding[m.bytes[1]];
            }
        }
        for (const auto& [note, count] : sounding) notes.Released &= count == 0;
        return notes;
    }

    TTestFolder folder;
    testsupport::FakeMidiService fake{{"TD-7 In"}, {"TD-7 Out"}};
    cli::TEnvironment env;
};

TEST_F(Play, AGroovePlaysThePatchsNotesWithNoteOffsAsTheSystemSays) {
    for (bool noteOffs : {true, false}) {
        SCOPED_TRACE(noteOffs ? "note-offs heard" : "note-offs ignored");
        const std::size_t before = fake.SentTo(0).size();
        WriteSetup(noteOffs);
        const TResult r =
            RunCli({"play", "--groove", "Rock", "--bars", "2", "--bpm", "240", "--setup",
                    folder / "kit.td7", "--patch", "2", "--out", "TD-7 Out"},
                   env);
        ASSERT_EQ(r.Code, 0) << r.Err;
        EXPECT_EQ(r.Err, std::string("Playing Rock at 240 BPM, 2 bars on patch 2; Ctrl+C stops\n") +
                             "Played 26 notes" + (noteOffs ? ", none left sounding\n" : "\n"));
        const TNotes sent = Sent(before);
        // Kick (T1), snare (T2), closed hi-hat (T3): notes 40, 42 and 44.
        EXPECT_EQ(sent.Ons, (std::map<int, int>{{40, 6}, {42, 4}, {44, 16}}));
        EXPECT_TRUE(sent.OnlyChannel10);
        EXPECT_EQ(sent.Offs, noteOffs ? 26 : 0);
    }
}

TEST_F(Play, AVelocityRunGoesFromSoftToHard) {
    WriteSetup(false);
    const TResult r = RunCli({"play", "--run", "snare", "--velocities", "20-90", "--bpm", "240",
                              "--setup", folder / "kit.td7", "--patch", "2", "--out", "TD-7 Out"},
                             env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    std::vector<int> velocities;
    for (const auto& m : fake.SentTo(0)) {
        EXPECT_EQ(m.bytes[1], 42);
        velocities.push_back(m.bytes[2]);
    }
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
    const TNotes sent = Sent();
    EXPECT_EQ(sent.Ons, (std::map<int, int>{{36, 1}, {37, 1}}));
    EXPECT_TRUE(sent.Released);
    EXPECT_TRUE(sent.OnlyChannel10);
}

TEST_F(Play, RefusalsAreOneLine) {
    WriteSetup(true);
    WriteBytes(folder / "bad.mid", {'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E', 0, 0});
    const std::string kit = folder / "kit.td7";
    const struct {
        std::vector<std::string> args;
        int code;
        std::string err;
    } cases[] = {
        {{"play", folder / "bad.mid", "--out", "TD-7 Out"},
         1,
         "tamboro-cli: " + folder / "bad.mid" + ": not a Standard MIDI File\n"},
        {{"play", "--groove", "polka", "--setup", kit, "--out", "TD-7 Out"},
         1,
         "tamboro-cli: No groove \"polka\"; there are ballad-ride, bossa, double-kick, funk-16ths, "
         "half-time, rock, shuffle, tom-fill\n"},
        {{"play", "--groove", "rock", "--setup", kit, "--out", "TD-7 Out"},
         1,
         "tamboro-cli: Patch 1 is empty in " + kit + "\n"},
        {{"play", "--groove", "rock", "--out", "TD-7 Out"},
         2,
         "tamboro-cli: play needs --setup FILE or --in DEV (the patch whose notes are played)\n"},
        {{"play", "x.mid", "--groove", "rock", "--out", "TD-7 Out"},
         2,
         "tamboro-cli: play needs one of FILE.mid, --groove NAME, --run ROLE\n"},
        {{"play", "x.mid", "--bpm", "100", "--out", "TD-7 Out"},
         2,
         "tamboro-cli: play FILE.mid plays the file as it is: leave out --bpm\n"},
        {{"play", "--groove", "rock", "--bpm", "241", "--setup", kit, "--out", "1"},
         2,
         "tamboro-cli: invalid tempo \"241\" (40..240)\n"},
        {{"play", "--groove", "rock", "--swing", "80", "--setup", kit, "--out", "1"},
         2,
         "tamboro-cli: invalid swing \"80\" (50..75)\n"},
        {{"play", "--run", "cowbell", "--setup", kit, "--out", "1"},
         2,
         "tamboro-cli: unknown role \"cowbell\" (kick, snare, snare-rim, hihat-closed, hihat-open, "
         "hihat-pedal, tom1, tom2, tom3, tom4, ride, ride-bell, crash)\n"},
        {{"play", "--run", "kick", "--velocities", "90-20", "--setup", kit, "--out", "1"},
         2,
         "tamboro-cli: invalid velocity \"20\" (90..127)\n"},
        {{"play", "--groove", "rock", "--setup", kit}, 2, "tamboro-cli: play needs --out\n"},
    };
    for (const auto& c : cases) {
        const TResult r = RunCli(c.args, env);
        EXPECT_EQ(r.Code, c.code) << c.args[1];
        const std::string firstLine = r.Err.substr(0, r.Err.find('\n') + 1);
        EXPECT_EQ(firstLine, c.err);
    }
    EXPECT_TRUE(fake.SentTo(0).empty());
}

TEST_F(Play, GroovesListsTheBuiltInOnesAndTheUsersOwn) {
    std::ofstream(folder / "rock.groove")
        << "name: My rock\nbars: 1\nbeats: 1\nsteps-per-beat: 1\nkick: 100\n";
    std::ofstream(folder / "broken.groove") << "kick: loud\n";
    env.GrooveFolders = {TAMBORO_GROOVES_DIR, folder / ""};
    const TResult r = RunCli({"grooves"}, env);
    ASSERT_EQ(r.Code, 0);
    EXPECT_NE(r.Out.find("rock  My rock, 1 bar of 1 beats, 1 step a beat\n"), std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("funk-16ths  Funk 16ths, 1 bar of 4 beats, 4 steps a beat\n"),
              std::string::npos);
    EXPECT_EQ(r.Err, "Skipped " + folder / "broken.groove" +
                         ":1: \"loud\" is no step: a velocity from 1 to 127, or \".\"\n");
}

}  // namespace
}  // namespace clitest

namespace clitest {
namespace {

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
