// "play" through the system's MIDI service: RtMidi on the test run's private JACK server,
// with td7sim logging every note it receives.

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>

#include "midiports/RtMidiService.h"
#include "tests/cli/CliHarness.h"
#include "tests/support/Td7SimProcess.h"

namespace clitest {
namespace {

using testsupport::TTd7SimProcess;

struct TLogged {
    int Channel, Note, Velocity;
    bool operator==(const TLogged&) const = default;
};

std::vector<TLogged> ReadNoteLog(const std::string& path) {
    std::vector<TLogged> notes;
    std::ifstream in(path);
    double seconds = 0;
    TLogged note{};
    while (in >> seconds >> note.Channel >> note.Note >> note.Velocity) notes.push_back(note);
    return notes;
}

class PlayOverJack : public testing::Test {
  protected:
    static void SetUpTestSuite() { ::setenv("TAMBORO_MIDI_API", "jack", 1); }
    std::string Client(const std::string& stem) const {
        return stem + "-" + std::to_string(::getpid());
    }
    TTestFolder folder;
};

// A groove on the module's own patch, then a MIDI file, played to one td7sim.
TEST_F(PlayOverJack, AGrooveAndAMidiFileArriveWhole) {
    // The groove sounds the factory patch 3's kick (T1), snare (T2) and hi-hat (T3) notes.
    Td7Module factory;
    factory.LoadFactory();
    auto note = [&](int t) { return int(factory.Data(Td7Module::TriggerBlock(2, t))[0]); };
    std::map<int, int> expected;
    expected[note(0)] += 6;
    expected[note(2)] += 4;
    expected[note(4)] += 16;
    const bool noteOffs = factory.Data(Td7Module::SystemBlock())[14] != 0;

    TTd7SimProcess sim(Client("cli-play"), {"--log-notes", folder / "notes.log"});
    ASSERT_TRUE(sim.Ready());
    midiports::RtMidiService service("tamboro-cli-test");
    ASSERT_TRUE(service.Available());
    cli::TEnvironment env;
    env.Service = &service;
    env.GrooveFolders = {TAMBORO_GROOVES_DIR};
    TResult r = RunCli({"play", "--groove", "rock", "--bars", "2", "--bpm", "240", "--patch", "3",
                        "--in", sim.OutputName(), "--out", sim.InputName()},
                       env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Err, std::string("Playing Rock at 240 BPM, 2 bars on patch 3; Ctrl+C stops\n") +
                         "Played 26 notes" + (noteOffs ? ", none left sounding\n" : "\n"));
    // Type 1: the tempo track (240 BPM), then notes a sixteenth apart and one on channel 1.
    const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes notes = {0x00, 0x99, 36, 100, 0x18, 0x99, 38, 90, 0x00, 0x90, 60,   90,
                         0x18, 0x89, 36, 0,   0x00, 0x99, 42, 80, 0x18, 0xFF, 0x2F, 0x00};
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0, 96};
    for (const Bytes& track : {tempo, notes}) {
        Append(file, {'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(track.size())});
        Append(file, track);
    }
    WriteBytes(folder / "drums.mid", file);
    r = RunCli({"play", folder / "drums.mid", "--out", sim.InputName()}, env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    ASSERT_EQ(sim.Stop(), 0);

    std::vector<TLogged> logged = ReadNoteLog(folder / "notes.log");
    for (const TLogged& n : logged) EXPECT_EQ(n.Channel, 10);
    // The file's notes come last, the one still sounding at its end released.
    const std::vector<TLogged> fromFile = {{10, 36, 100}, {10, 38, 90}, {10, 36, 0},
                                           {10, 42, 80},  {10, 38, 0},  {10, 42, 0}};
    ASSERT_GE(logged.size(), fromFile.size());
    EXPECT_TRUE(std::equal(fromFile.begin(), fromFile.end(), logged.end() - 6));
    logged.resize(logged.size() - 6);
    std::map<int, int> ons;
    int offs = 0;
    for (const TLogged& n : logged) (n.Velocity > 0 ? ons[n.Note] : offs) += 1;
    EXPECT_EQ(ons, expected);
    EXPECT_EQ(offs, noteOffs ? 26 : 0);
}

}  // namespace
}  // namespace clitest
