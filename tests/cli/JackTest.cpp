// backup and restore through the system's MIDI service: RtMidi on the test run's private
// JACK server, with two td7sim processes as two modules.
#include <cstdlib>
#include <sstream>

#include "midiports/RtMidiService.h"
#include "td7/map/PresentFlags.h"
#include "td7/transfers/ReadBack.h"
#include "td7/map/RecordName.h"
#include "tests/cli/CliHarness.h"
#include "tests/support/Td7SimProcess.h"

namespace clitest {
namespace {

using namespace std::chrono_literals;
using testsupport::TTd7SimProcess;

class OverJack : public testing::Test {
  protected:
    static void SetUpTestSuite() { ::setenv("TAMBORO_MIDI_API", "jack", 1); }

    std::string Client(const std::string& stem) const {
        return stem + "-" + std::to_string(::getpid());
    }

    TTestFolder folder;
};

// Everything, 3009 requests and 3009 records, crossing thousands of JACK periods: the backup
// holds the first module's memory byte for byte, and the restore makes the second one equal.
TEST_F(OverJack, FullBackupFromOneSimulatorRestoredToAnotherMakesTheMemoriesEqual) {
    TTd7SimProcess first(Client("cli-first"), {"--content", "random", "--seed", "5"},
                         folder / "a.syx");
    TTd7SimProcess second(Client("cli-second"), {}, folder / "b.syx");
    ASSERT_TRUE(first.Ready());
    ASSERT_TRUE(second.Ready());

    midiports::RtMidiService service("tamboro-cli-test");
    ASSERT_TRUE(service.Available());
    ASSERT_EQ(service.ApiName(), "jack");
    cli::TEnvironment env;
    env.Service = &service;

    const TResult ports = RunCli({"ports"}, env);
    ASSERT_EQ(ports.Code, 0);
    EXPECT_NE(ports.Out.find("  " + first.OutputName() + "\n"), std::string::npos) << ports.Out;

    const TResult backup = RunCli({"backup", "--in", first.OutputName(), "--out", first.InputName(),
                                   "--all", "-o", folder / "full.td7"},
                                  env);
    ASSERT_EQ(backup.Code, 0) << backup.Err;
    EXPECT_NE(backup.Err.find("3009/3009"), std::string::npos) << backup.Err;

    // The editor's 100 ms pace would make this five minutes; JACK carries a record a period
    // at 2 ms as well.
    env.Timing.Pace = 2ms;
    const TResult restore =
        RunCli({"restore", folder / "full.td7", "--out", second.InputName()}, env);
    ASSERT_EQ(restore.Code, 0) << restore.Err;
    EXPECT_NE(restore.Err.find("Sent 32 patches, instruments, system"), std::string::npos)
        << restore.Err;

    ASSERT_EQ(first.Stop(), 0);
    ASSERT_EQ(second.Stop(), 0);
    Td7Module firstMemory;
    firstMemory.LoadMemory(folder / "a.syx");
    Td7Module secondMemory;
    secondMemory.LoadMemory(folder / "b.syx");
    EXPECT_EQ(ReadBytes(folder / "full.td7"), SetupBytes(firstMemory, AllSlots(), true, true));
    // Random content differs from the factory content the second module started with, so
    // equality means every block arrived.
    Td7Module factory;
    factory.LoadFactory();
    ASSERT_NE(firstMemory.Memory(), factory.Memory());
    EXPECT_EQ(secondMemory.Memory(), firstMemory.Memory());
}

// A module that loses every 50th data set: restoring with verify still ends with the file's
// memory in the module; restoring without it leaves exactly the lost records, which "verify"
// names and nothing else.
TEST_F(OverJack, VerifyResendsWhatALossyModuleDroppedAndFindsExactlyWhatItLost) {
    Td7Module source;
    source.LoadRandom(9);
    WriteBytes(folder / "full.td7", SetupBytes(source, AllSlots(), true, true));
    TTd7SimProcess verified(Client("cli-verified"), {"--drop-every", "50"}, folder / "a.syx");
    TTd7SimProcess unverified(Client("cli-unverified"), {"--drop-every", "50"}, folder / "b.syx");
    ASSERT_TRUE(verified.Ready());
    ASSERT_TRUE(unverified.Ready());

    midiports::RtMidiService service("tamboro-cli-test");
    ASSERT_TRUE(service.Available());
    cli::TEnvironment env;
    env.Service = &service;
    env.Timing.Pace = 2ms;

    const TResult restore = RunCli({"restore", folder / "full.td7", "--out", verified.InputName(),
                                    "--in", verified.OutputName()},
                                   env);
    ASSERT_EQ(restore.Code, 0) << restore.Err;
    EXPECT_NE(restore.Err.find("All 3009 dumps verified\n"), std::string::npos) << restore.Err;

    const TResult plain =
        RunCli({"restore", folder / "full.td7", "--out", unverified.InputName()}, env);
    ASSERT_EQ(plain.Code, 0) << plain.Err;
    EXPECT_NE(plain.Err.find("Nothing was verified"), std::string::npos) << plain.Err;
    const TResult check = RunCli({"verify", folder / "full.td7", "--in", unverified.OutputName(),
                                  "--out", unverified.InputName()},
                                 env);
    EXPECT_EQ(check.Code, 1) << check.Err;
    EXPECT_NE(check.Err.find("60 of 3009 dumps differ"), std::string::npos) << check.Err;
    // The records in sending order: patches 1..32, the instruments, the system block.
    std::vector<td7::TRecordRef> order = td7::PresentPatchRecords([] {
        td7::TPresentFlags all;
        for (int p = 0; p < 32; ++p) all.SetPatchPresent(p, true);
        return all;
    }());
    for (const auto& r : td7::InstrumentRecords()) order.push_back(r);
    order.push_back(td7::SystemRecords().front());
    std::string expected;
    for (std::size_t k = 49; k < order.size(); k += 50)
        expected += td7::RecordName(order[k].Kind, order[k].Index) + ":\n";
    std::string named;
    std::istringstream lines(check.Out);
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with(" ")) named += line + "\n";
    EXPECT_EQ(named, expected) << check.Out;

    ASSERT_EQ(verified.Stop(), 0);
    ASSERT_EQ(unverified.Stop(), 0);
    Td7Module memory;
    memory.LoadMemory(folder / "a.syx");
    EXPECT_EQ(memory.Memory(), source.Memory());
}

// "hits" against td7sim whose pads fire twice: over JACK, without a setup, the pads are the
// notes, and the doubles are found and named with the parameter to raise.
TEST_F(OverJack, HitsFindsTheDoubleTriggersOfTd7sim) {
    TTd7SimProcess sim(Client("cli-hits"), {"--doubles", "--seed", "3"});
    ASSERT_TRUE(sim.Ready());
    midiports::RtMidiService service("tamboro-cli-test");
    ASSERT_TRUE(service.Available());
    cli::TEnvironment env;
    env.Service = &service;
    const TResult r = RunCli({"hits", "--in", sim.OutputName(), "--seconds", "4"}, env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find(" hits, velocity "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("apart: raise Mask Time\n"), std::string::npos) << r.Out;
    ASSERT_EQ(sim.Stop(), 0);
}

}  // namespace
}  // namespace clitest
