// "play" through the system's MIDI service: RtMidi on the test run's private JACK server,
// with td7sim logging every note it receives. A groove on the module's own patch arrives
// whole, on channel 10, with that patch's notes; a MIDI file's drum notes arrive in order.

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "midiports/RtMidiService.h"
#include "tests/cli/CliHarness.h"
#include "tests/support/Td7SimProcess.h"

namespace clitest {
namespace {

using testsupport::TTd7SimProcess;

struct TLogged {
    int Channel, Note, Velocity;
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

TEST_F(PlayOverJack, AGrooveOnTheModulesPatchArrivesWholeWithItsNotes) {
    TTd7SimProcess sim(Client("cli-play"), {"--log-notes", folder / "notes.log"});
    ASSERT_TRUE(sim.Ready());
    midiports::RtMidiService service("tamboro-cli-test");
    ASSERT_TRUE(service.Available());
    cli::TEnvironment env;
    env.Service = &service;
    env.GrooveFolders = {TAMBORO_GROOVES_DIR};
    const TResult r = RunCli({"play", "--groove", "rock", "--bars", "2", "--bpm", "240", "--patch",
                              "3", "--in", sim.OutputName(), "--out", sim.InputName()},
                             env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    ASSERT_EQ(sim.Stop(), 0);

    // The factory patch 3's kick (T1), snare (T2) and hi-hat (T3) notes.
    Td7Module factory;
    factory.LoadFactory();
    auto note = [&](int t) { return int(factory.Data(Td7Module::TriggerBlock(2, t))[0]); };
    std::map<int, int> expected;
    expected[note(0)] += 6;
    expected[note(2)] += 4;
    expected[note(4)] += 16;
    const bool noteOffs = factory.Data(Td7Module::SystemBlock())[14] != 0;
    std::map<int, int> ons;
    int offs = 0;
    for (const TLogged& n : ReadNoteLog(folder / "notes.log")) {
        EXPECT_EQ(n.Channel, 10);
        if (n.Velocity > 0)
            ++ons[n.Note];
        else
            ++offs;
    }
    EXPECT_EQ(ons, expected);
    EXPECT_EQ(offs, noteOffs ? 26 : 0);
}

TEST_F(PlayOverJack, AMidiFilesDrumNotesArriveInOrder) {
    TTd7SimProcess sim(Client("cli-play-file"), {"--log-notes", folder / "notes.log"});
    ASSERT_TRUE(sim.Ready());
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
    midiports::RtMidiService service("tamboro-cli-test");
    cli::TEnvironment env;
    env.Service = &service;
    const TResult r = RunCli({"play", folder / "drums.mid", "--out", sim.InputName()}, env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    ASSERT_EQ(sim.Stop(), 0);
    std::vector<std::pair<int, int>> got;
    for (const TLogged& n : ReadNoteLog(folder / "notes.log")) {
        EXPECT_EQ(n.Channel, 10);
        got.emplace_back(n.Note, n.Velocity);
    }
    // The note still sounding at the end is released.
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{
                       {36, 100}, {38, 90}, {36, 0}, {42, 80}, {38, 0}, {42, 0}}));
}

}  // namespace
}  // namespace clitest
