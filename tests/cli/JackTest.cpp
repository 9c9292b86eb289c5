// backup and restore through the system's MIDI service: RtMidi on the test run's private
// JACK server, with two td7sim processes as two modules.
#include <cstdlib>

#include "midiports/RtMidiService.h"
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

}  // namespace
}  // namespace clitest
