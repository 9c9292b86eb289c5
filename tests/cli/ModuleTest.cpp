// backup, restore and ports against the virtual TD-7 of the editor's device lists, in this
// process: the same ports, link, collections and transfers as the editor, answered from the
// module's own thread.
#include <signal.h>
#include <unistd.h>

#include <mutex>
#include <thread>

#include "simulator/VirtualTd7.h"
#include "td7/session/VirtualTd7Service.h"
#include "tests/cli/CliHarness.h"
#include "tests/support/FakeMidiService.h"

namespace clitest {
namespace {

using namespace std::chrono_literals;

class VirtualModule : public testing::Test {
  protected:
    VirtualModule() {
        Load(source, 21);
        env.Service = &source;
        // Each answer comes within microseconds; a short time-out keeps the failing cases
        // short. Restores keep no pace: the virtual module queues whatever it is sent.
        env.Timing.AnswerTimeout = 200ms;
        env.Timing.Pace = 0ms;
    }

    static void Load(td7::VirtualTd7Service& service, std::uint32_t seed) {
        std::lock_guard lock(service.Module().ModuleMutex());
        service.Module().Module().LoadRandom(seed);
    }

    static Td7Module Snapshot(td7::VirtualTd7Service& service) {
        std::lock_guard lock(service.Module().ModuleMutex());
        Td7Module copy;
        auto& module = service.Module().Module();
        for (int k = 0; k < Td7Module::kBlockCount; ++k) {
            const auto block = Td7Module::BlockAt(k);
            const auto from = module.Data(block);
            std::copy(from.begin(), from.end(), copy.Data(block).begin());
        }
        return copy;
    }

    // The virtual module takes data sets on its own thread: wait until it has taken the
    // last one, which is the system block's when a restore sends everything.
    static bool WaitForMemory(td7::VirtualTd7Service& service, const Td7Module& expected) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        do {
            {
                std::lock_guard lock(service.Module().ModuleMutex());
                if (service.Module().Module().Memory() == expected.Memory()) return true;
            }
            std::this_thread::sleep_for(1ms);  // polling the other thread's memory
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }

    TTestFolder folder;
    td7::VirtualTd7Service source;
    cli::TEnvironment env;
};

TEST_F(VirtualModule, PortsNumbersTheDevicesAsTheDeviceWindowDoes) {
    const TResult r = RunCli({"ports"}, env);
    ASSERT_EQ(r.Code, 0);
    // Input 1 is input device 0; output 1 would be the mapper, which this service lacks.
    EXPECT_EQ(r.Out,
              "MIDI input devices (--in):\n  1  Virtual TD-7\n"
              "MIDI output devices (--out):\n  2  Virtual TD-7\n");
}

TEST_F(VirtualModule, BackupWritesTheModulesMemoryAsASetupFile) {
    const TResult r = RunCli(
        {"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7", "-o", folder / "all.td7"}, env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    const Td7Module expected = Snapshot(source);
    EXPECT_EQ(ReadBytes(folder / "all.td7"), SetupBytes(expected, AllSlots(), true, true));
    EXPECT_NE(r.Err.find("\r3009/3009 dumps recieved...\n"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("Wrote " + folder / "all.td7" + ": 32 patches, instruments, system\n"),
              std::string::npos);

    ASSERT_EQ(RunCli({"backup", "--in", "Virtual TD-7", "--out", "virtual td-7", "--system", "-o",
                      folder / "sys.td7"},
                     env)
                  .Code,
              0);
    EXPECT_EQ(ReadBytes(folder / "sys.td7"), SetupBytes(expected, {}, false, true));
}

TEST_F(VirtualModule, BackupAddressesTheModuleByItsDeviceId) {
    {
        std::lock_guard lock(source.Module().ModuleMutex());
        source.Module().Module().SetDeviceId(4);
    }
    // Requests for device ID 17 (0x10) are not answered; nothing is written.
    const TResult wrong = RunCli({"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7",
                                  "--system", "-o", folder / "b.td7"},
                                 env);
    EXPECT_EQ(wrong.Code, 1);
    EXPECT_NE(wrong.Err.find("tamboro-cli: The unit didn't respond to dump request "
                             "F0 41 10 58 11 03 00 00 00 00 00 00 17 66 F7\n"),
              std::string::npos)
        << wrong.Err;
    EXPECT_FALSE(std::filesystem::exists(folder / "b.td7"));

    const TResult right = RunCli({"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7",
                                  "--device-id", "5", "--instruments", "-o", folder / "b.td7"},
                                 env);
    ASSERT_EQ(right.Code, 0) << right.Err;
    const Bytes file = ReadBytes(folder / "b.td7");
    ASSERT_EQ(file.size(), 10u + 32u + 1u + 16896u + 1u);
    EXPECT_EQ(file[10 + 32 + 1 + 2], 0x04) << "the records carry the module's device ID";
}

TEST_F(VirtualModule, RestoreMakesASecondModuleEqualToTheFirst) {
    ASSERT_EQ(RunCli({"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7", "-o",
                      folder / "all.td7"},
                     env)
                  .Code,
              0);
    td7::VirtualTd7Service target;
    Load(target, 99);
    env.Service = &target;
    const TResult r = RunCli({"restore", folder / "all.td7", "--out", "Virtual TD-7"}, env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(WaitForMemory(target, Snapshot(source)));
    EXPECT_NE(r.Err.find("\rDumps sent: 3009/3009\nSent 32 patches, instruments, system\n"),
              std::string::npos)
        << r.Err;
}

TEST_F(VirtualModule, RestoreOfNamedPatchesSendsThoseAndNothingElse) {
    ASSERT_EQ(RunCli({"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7", "-o",
                      folder / "all.td7"},
                     env)
                  .Code,
              0);
    const Td7Module sourceMemory = Snapshot(source);
    td7::VirtualTd7Service target;
    Load(target, 99);
    Td7Module expected = Snapshot(target);
    for (int p : {1, 4}) {
        for (int k = 0; k < Td7Module::kBlockCount; ++k) {
            const auto block = Td7Module::BlockAt(k);
            if (block.kind == simulator::BlockKind::System ||
                block.kind == simulator::BlockKind::Instrument || block.patch != p)
                continue;
            const auto from = sourceMemory.Data(block);
            std::copy(from.begin(), from.end(), expected.Data(block).begin());
        }
    }
    env.Service = &target;
    const TResult r =
        RunCli({"restore", folder / "all.td7", "--out", "Virtual TD-7", "--patches", "5,2"}, env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(WaitForMemory(target, expected));
    EXPECT_NE(r.Err.find("\rDumps sent: 156/156\nSent 2 patches\n"), std::string::npos) << r.Err;
}

// Ctrl+C in the middle: the restore stops after the record being sent, and every record it
// counts as sent has arrived whole, in order, with nothing after it.
TEST_F(VirtualModule, InterruptedRestoreStopsAfterTheRecordBeingSent) {
    ASSERT_EQ(RunCli({"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7", "-o",
                      folder / "all.td7"},
                     env)
                  .Code,
              0);
    const Td7Module sourceMemory = Snapshot(source);
    td7::VirtualTd7Service target;
    const Td7Module before = Snapshot(target);
    env.Service = &target;
    // Slow enough that the interrupt comes long before the end.
    env.Timing.Pace = 5ms;

    // The interrupt goes out once the first record has changed the target: by then the
    // restore is sending, with its handler in place.
    std::thread interrupter([&] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        for (;;) {
            {
                std::lock_guard lock(target.Module().ModuleMutex());
                if (target.Module().Module().Memory() != before.Memory()) break;
            }
            if (std::chrono::steady_clock::now() > deadline) return;
            std::this_thread::sleep_for(1ms);  // polling the module's thread
        }
        std::this_thread::sleep_for(50ms);
        ::kill(::getpid(), SIGINT);
    });
    const TResult r = RunCli({"restore", folder / "all.td7", "--out", "Virtual TD-7"}, env);
    interrupter.join();

    EXPECT_EQ(r.Code, 1);
    // The progress line ends, then the message: "... interrupted: N of 3009 dumps sent".
    const std::string prefix = "\ntamboro-cli: Restore interrupted: ";
    const std::string suffix = " of 3009 dumps sent\n";
    const auto at = r.Err.rfind(prefix);
    ASSERT_NE(at, std::string::npos) << r.Err;
    ASSERT_TRUE(r.Err.ends_with(suffix)) << r.Err;
    const int sent = std::stoi(r.Err.substr(at + prefix.size()));
    ASSERT_GT(sent, 0);
    ASSERT_LT(sent, 3009);

    // Patches go first, record by record: common block, triggers, note map.
    Td7Module expected = before;
    int copied = 0;
    auto copy = [&](const auto& block) {
        if (copied++ >= sent) return;
        const auto from = sourceMemory.Data(block);
        std::copy(from.begin(), from.end(), expected.Data(block).begin());
    };
    for (int p = 0; p < Td7Module::kPatchCount; ++p) {
        copy(Td7Module::CommonBlock(p));
        for (int t = 0; t < Td7Module::kTriggerCount; ++t) copy(Td7Module::TriggerBlock(p, t));
        for (int n = 0; n < Td7Module::kNoteMapCount; ++n) copy(Td7Module::NoteMapBlock(p, n));
    }
    EXPECT_TRUE(WaitForMemory(target, expected)) << sent << " records sent";

    // The handler went with the restore: the next one runs to its end.
    env.Timing.Pace = 0ms;
    ASSERT_EQ(
        RunCli({"restore", folder / "all.td7", "--out", "Virtual TD-7", "--patches", "1"}, env)
            .Code,
        0);
    struct sigaction now {};
    ::sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// A setup whose patch 1 has one flipped data byte in its note-40 entry: the restore would
// send it with a fresh checksum, and the module would take it as sound.
TEST_F(VirtualModule, RestoreRefusesADamagedRecordBeforeSendingAnything) {
    Bytes setup = SetupBytes(Snapshot(source), {0, 1}, false, false);
    const std::size_t note40 = 10 + 1 + 58 + 18 * 22 + 5 * 19;
    setup[note40 + 9] ^= 0x01;
    WriteBytes(folder / "flipped.td7", setup);
    td7::VirtualTd7Service target;
    Load(target, 99);
    const Td7Module before = Snapshot(target);
    env.Service = &target;

    const TResult refused = RunCli({"restore", folder / "flipped.td7", "--out", "Virtual TD-7",
                                    "--in", "Virtual TD-7", "--patches", "1"},
                                   env);
    EXPECT_EQ(refused.Code, 1);
    const std::string named =
        folder / "flipped.td7" + ": 1 damaged record: patch 1 note 40 E 2 (checksum ";
    EXPECT_EQ(refused.Err.rfind("tamboro-cli: " + named, 0), 0u) << refused.Err;
    EXPECT_TRUE(refused.Err.ends_with(". Nothing was sent; --force sends it anyway\n"))
        << refused.Err;
    EXPECT_EQ(Snapshot(target).Memory(), before.Memory());
    // Patch 2 is sound: it goes.
    EXPECT_EQ(RunCli({"restore", folder / "flipped.td7", "--out", "Virtual TD-7", "--in",
                      "Virtual TD-7", "--patches", "2"},
                     env)
                  .Code,
              0);

    const TResult forced = RunCli(
        {"restore", folder / "flipped.td7", "--out", "Virtual TD-7", "--patches", "1", "--force"},
        env);
    EXPECT_EQ(forced.Code, 0) << forced.Err;
    EXPECT_EQ(forced.Err.rfind(named, 0), 0u) << forced.Err;
    EXPECT_NE(forced.Err.find("; sent as --force asks\n"), std::string::npos) << forced.Err;
}

TEST_F(VirtualModule, VerifiedRestoreSaysHowManyRecordsItSentAgain) {
    WriteBytes(folder / "one.td7", SetupBytes(Snapshot(source), {0}, false, false));
    td7::VirtualTd7Service target;
    {
        std::lock_guard lock(target.Module().ModuleMutex());
        target.Module().Module().SetDropEvery(50);
    }
    env.Service = &target;
    const TResult r = RunCli(
        {"restore", folder / "one.td7", "--out", "Virtual TD-7", "--in", "Virtual TD-7"}, env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(r.Err.ends_with("\n1 dump sent again\nAll 78 dumps verified\n")) << r.Err;
}

TEST_F(VirtualModule, FastRestoreLearnsThePaceOfAModuleThatNeedsTimeAndKeepsIt) {
    WriteBytes(folder / "two.td7", SetupBytes(Snapshot(source), {0, 1}, false, false));
    td7::VirtualTd7Service target;
    simulator::VirtualTd7::Config config;
    config.store.baseMs = 12;
    target.Module().Configure(config);
    env.Service = &target;
    env.SettingsFile = folder / "tamboro.ini";
    const std::vector<std::string> args = {"restore", folder / "two.td7", "--out", "Virtual TD-7",
                                           "--in",    "Virtual TD-7",     "--fast"};
    TResult r = RunCli(args, env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    const auto summary = r.Err.find("156 records in ");
    ASSERT_NE(summary, std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find(" sent again, pace ", summary), std::string::npos) << r.Err;
    EXPECT_TRUE(r.Err.ends_with(" ms\nAll 156 dumps verified\n")) << r.Err;
    {
        std::lock_guard lock(target.Module().ModuleMutex());
        EXPECT_GT(target.Module().Module().DataSetsDropped(), 0) << "started faster than 12 ms";
        for (int p = 0; p < 2; ++p)
            EXPECT_EQ(target.Module().Module().DataSetOf(Td7Module::CommonBlock(p)),
                      Snapshot(source).DataSetOf(Td7Module::CommonBlock(p)));
    }
    // Kept under the output's name, and the next restore starts from it: fewer dropped.
    const auto ini = ReadBytes(folder / "tamboro.ini");
    const std::string text(ini.begin(), ini.end());
    EXPECT_NE(text.find("[FastTransfers]\n" + std::string(td7::VirtualTd7Service::kName) + "="),
              std::string::npos)
        << text;
    // A pause of 12 ms after a 19-byte record: 6.08 ms of wire and at least 5.92 of gap.
    const auto key = text.find(std::string(td7::VirtualTd7Service::kName) + "=");
    EXPECT_GE(std::stoi(text.substr(key + std::string(td7::VirtualTd7Service::kName).size() + 1)),
              5920);
    const int dropped = target.Module().Module().DataSetsDropped();
    r = RunCli(args, env);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Err.find("156 records in "), std::string::npos);
    EXPECT_LE(target.Module().Module().DataSetsDropped() - dropped, dropped) << r.Err;

    // backup --fast reads it all back with two requests on their way at a time.
    r = RunCli({"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7", "--fast", "-o",
                folder / "back.td7"},
               env);
    ASSERT_EQ(r.Code, 0) << r.Err;
}

// A module behind the fake service that never answers, and an output that vanishes.
class SilentModule : public testing::Test {
  protected:
    SilentModule() {
        env.Service = &fake;
        env.Timing.AnswerTimeout = 50ms;
        env.Timing.Pace = 0ms;
        Td7Module module;
        module.LoadRandom(5);
        WriteBytes(folder / "four.td7", SetupBytes(module, {0, 1, 2, 3}, false, false));
    }
    // The data sets (12) and requests (11) the output took.
    int Sent(std::uint8_t command) const {
        int n = 0;
        for (const auto& m : fake.SentTo(0)) n += m.bytes.size() > 4 && m.bytes[4] == command;
        return n;
    }

    TTestFolder folder;
    testsupport::FakeMidiService fake{{"TD-7 In"}, {"TD-7 Out"}};
    cli::TEnvironment env;
};

TEST_F(SilentModule, ARestoreIntoAVanishedOutputFailsInsteadOfReportingItSent) {
    fake.UnplugAfter(0, 100);
    const TResult r = RunCli({"restore", folder / "four.td7", "--out", "TD-7 Out"}, env);
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err.find("Sent 4 patches"), std::string::npos) << r.Err;
    EXPECT_TRUE(r.Err.ends_with("tamboro-cli: The MIDI device \"TD-7 Out\" is gone.\n")) << r.Err;
    EXPECT_EQ(Sent(0x12), 100);
}

TEST_F(SilentModule, AFastRestoreIntoAVanishedOutputSaysSo) {
    fake.UnplugAfter(0, 10);
    const TResult r = RunCli(
        {"restore", folder / "four.td7", "--out", "TD-7 Out", "--in", "TD-7 In", "--fast"}, env);
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.ends_with("tamboro-cli: The MIDI device \"TD-7 Out\" is gone.\n")) << r.Err;
}

TEST_F(SilentModule, ARestoreWithInputStopsAtTheFirstUnansweredReadBack) {
    const TResult r =
        RunCli({"restore", folder / "four.td7", "--out", "TD-7 Out", "--in", "TD-7 In"}, env);
    EXPECT_EQ(r.Code, 1);
    // Patch 1 went out, then its last note-map entry was asked back in vain.
    EXPECT_TRUE(r.Err.ends_with("tamboro-cli: The unit didn't respond to dump request "
                                "F0 41 10 58 11 00 00 5D 00 00 00 00 08 1B F7\n"))
        << r.Err;
    EXPECT_EQ(Sent(0x12), 78);
    EXPECT_EQ(Sent(0x11), 1);
}

}  // namespace
}  // namespace clitest
