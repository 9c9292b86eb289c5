// backup and restore through the system's MIDI service: RtMidi on the test run's private
// JACK server, with two td7sim processes as two modules.
#include <cstdlib>

#include "midiports/RtMidiService.h"
#include "tests/cli/CliHarness.h"
#include "tests/cli/Td7SimProcess.h"

namespace clitest {
namespace {

using namespace std::chrono_literals;

class OverJack : public testing::Test {
  protected:
    static void SetUpTestSuite() { ::setenv("TAMBORO_MIDI_API", "jack", 1); }

    std::string Client(const std::string& stem) const {
        return stem + "-" + std::to_string(::getpid());
    }

    TTestFolder folder;
};

// Instruments and system block: 513 requests and records, enough to cross many JACK
// periods; all 32 patches go the same way through the virtual TD-7's tests, where a busy
// machine cannot lose messages in a missed period.
TEST_F(OverJack, BackupFromOneSimulatorRestoredToAnotherCarriesTheBlocksByteForByte) {
    TTd7SimProcess first(Client("cli-first"),
                         {"--content", "random", "--seed", "5", "--memory-file", folder / "a.syx"});
    TTd7SimProcess second(Client("cli-second"), {"--memory-file", folder / "b.syx"});
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
                                   "--instruments", "--system", "-o", folder / "blocks.td7"},
                                  env);
    ASSERT_EQ(backup.Code, 0) << backup.Err;

    // JACK carries a few records a period; a short pace keeps the test short.
    env.Timing.Pace = 2ms;
    const TResult restore =
        RunCli({"restore", folder / "blocks.td7", "--out", second.InputName()}, env);
    ASSERT_EQ(restore.Code, 0) << restore.Err;

    ASSERT_EQ(first.Stop(), 0);
    ASSERT_EQ(second.Stop(), 0);
    Td7Module firstMemory;
    firstMemory.LoadMemory(folder / "a.syx");
    Td7Module secondMemory;
    secondMemory.LoadMemory(folder / "b.syx");
    EXPECT_EQ(ReadBytes(folder / "blocks.td7"), SetupBytes(firstMemory, {}, true, true));
    // The second module: its factory patches, the first one's instruments and system block.
    Td7Module expected;
    expected.LoadFactory();
    for (int k = 0; k < Td7Module::kBlockCount; ++k) {
        const auto block = Td7Module::BlockAt(k);
        if (block.kind != simulator::BlockKind::System &&
            block.kind != simulator::BlockKind::Instrument)
            continue;
        const auto from = firstMemory.Data(block);
        std::copy(from.begin(), from.end(), expected.Data(block).begin());
    }
    EXPECT_EQ(secondMemory.Memory(), expected.Memory());
}

}  // namespace
}  // namespace clitest
