// What tamboro-cli refuses: usage errors end with status 2 before anything is read or sent,
// failures with status 1 and the failure's own text; neither leaves a file behind.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "td7/session/VirtualTd7Service.h"
#include "tests/cli/CliHarness.h"

namespace clitest {
namespace {

class Refusals : public testing::Test {
  protected:
    Refusals() {
        Td7Module module;
        module.LoadRandom(3);
        WriteBytes(folder / "p.syx", PatchBytes(module, 0));
        WriteBytes(folder / "s.td7", SetupBytes(module, {0}, false, true));
        env.Service = &service;
    }

    void ExpectUsage(const std::vector<std::string>& args, const std::string& text) {
        const TResult r = RunCli(args, env);
        EXPECT_EQ(r.Code, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.Err, "tamboro-cli: " + text + "\nTry \"tamboro-cli --help\".\n");
        EXPECT_TRUE(r.Out.empty());
    }

    void ExpectFailure(const std::vector<std::string>& args, const std::string& text) {
        const TResult r = RunCli(args, env);
        EXPECT_EQ(r.Code, 1) << testing::PrintToString(args);
        // Progress may come first; the failure is the last line.
        const std::string last = "tamboro-cli: " + text + "\n";
        EXPECT_TRUE(r.Err.size() >= last.size() &&
                    r.Err.compare(r.Err.size() - last.size(), last.size(), last) == 0)
            << r.Err;
    }

    TTestFolder folder;
    td7::VirtualTd7Service service;
    cli::TEnvironment env;
};

TEST_F(Refusals, UsageErrorsEndWithStatusTwo) {
    ExpectUsage({}, "no command given");
    ExpectUsage({"list"}, "unknown command \"list\"");
    ExpectUsage({"info"}, "info needs a file");
    ExpectUsage({"info", "a", "b"}, "unexpected argument \"b\"");
    ExpectUsage({"ports", "--all"}, "unknown option --all for ports");
    ExpectUsage({"backup", "--out", "1", "-o", "x.td7"}, "backup needs --in");
    ExpectUsage({"backup", "--in", "1", "--in", "2", "--out", "1", "-o", "x.td7"},
                "option --in given twice");
    ExpectUsage({"backup", "--in", "1", "--out", "1", "--device-id", "33", "-o", "x.td7"},
                "invalid device ID \"33\" (1..32)");
    ExpectUsage({"backup", "--in", "1", "--out", "1", "--device-id=0", "-o", "x.td7"},
                "invalid device ID \"0\" (1..32)");
    ExpectUsage({"restore", "s.td7", "--out"}, "option --out needs a value");
    ExpectUsage({"restore", "s.td7", "--out", "1", "--fast"}, "restore --fast needs --in");
    ExpectUsage({"restore", "s.td7", "--out", "1", "--in", "1", "--fast", "--no-verify"},
                "restore --fast verifies what it sends: leave out --no-verify");
    ExpectUsage({"restore", "s.td7", "--out", "1", "--in", "1", "--fast", "--changed-only"},
                "restore --fast and --changed-only cannot be combined");
    ExpectUsage({"restore", "s.td7", "--out", "1", "--patches", "2,33"},
                "invalid patch number \"33\" (1..32)");
    ExpectUsage({"restore", "s.td7", "--out", "1", "--patches", "5-2"},
                "invalid patch range \"5-2\"");
    ExpectUsage({"restore", "s.td7", "--out", "1", "--patches", "1,,2"},
                "invalid patch number \"\" (1..32)");
    ExpectUsage({"restore", "s.td7", "--out", "1", "--changed-only"},
                "restore --changed-only needs --in");
    ExpectUsage({"verify", "s.td7", "--out", "1"}, "verify needs --in");
    ExpectUsage({"verify", "--in", "1", "--out", "1"}, "verify needs a file");
    ExpectUsage({"extract", "s.td7", "--patch", "1", "--system", "-o", "x.syx"},
                "extract needs one of --patch N, --instruments, --system");
    ExpectUsage({"extract", "s.td7", "--system"}, "extract needs -o");
    ExpectUsage({"pack", "-o", "x.td7", "--patch", "4"},
                "option --patch needs a number and a file");
    ExpectUsage({"pack", "-o", "x.td7", "--patch", "4", "a.syx", "--patch", "4", "b.syx"},
                "patch 4 given twice");
    ExpectUsage({"--version", "ports"}, "unexpected argument \"ports\"");
    ExpectUsage({"pack", "-o", "x.td7"},
                "pack needs --patch N FILE, --instruments FILE or --system FILE");
    ExpectUsage({"info", "s.td7", "--force"}, "unknown option --force for info");
    ExpectUsage({"library", "list", "--favourites=yes"},
                "option --favourites takes no value after \"=\"");
}

// The manual page promises "--name=value" for every option, the library's included.
TEST_F(Refusals, OptionsTakeTheirValueAfterAnEqualsSign) {
    const TResult r = RunCli({"library", "--file=" + folder / "kits.sqlite3", "import",
                              folder / "p.syx"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(std::filesystem::exists(folder / "kits.sqlite3"));
    EXPECT_EQ(RunCli({"extract", folder / "s.td7", "--patch=1", "-o", folder / "x.syx"}).Code, 0);
}

TEST_F(Refusals, HelpAndVersionSucceed) {
    const TResult help = RunCli({"restore", "--help"});
    EXPECT_EQ(help.Code, 0);
    EXPECT_EQ(help.Out.rfind("Usage: tamboro-cli COMMAND [OPTIONS]\n", 0), 0u);
    const TResult version = RunCli({"--version"});
    EXPECT_EQ(version.Code, 0);
    EXPECT_EQ(version.Out, "tamboro-cli Version 1.2 build 16\n");
}

TEST_F(Refusals, FileFailuresCarryTheEditorsTexts) {
    WriteBytes(folder / "short.syx", Bytes(1574, 0x00));
    WriteBytes(folder / "bad.td7", Bytes{'T', 'D', '7', 'S', 'e', 't', 'u', 'p', '1', '1'});
    ExpectFailure({"pack", "-o", folder / "x.td7", "--patch", "1", folder / "short.syx"},
                  folder / "short.syx: Not a proper TD7 patch file (filesize differs)");
    ExpectFailure({"pack", "-o", folder / "x.td7", "--instruments", folder / "p.syx"},
                  folder / "p.syx: Not a proper TD7 instruments file (filesize differs)");
    ExpectFailure({"pack", "-o", folder / "x.td7", "--system", folder / "p.syx"},
                  folder / "p.syx: Not a proper TD7 system file (filesize differs)");
    EXPECT_FALSE(std::filesystem::exists(folder / "x.td7"));
    ExpectFailure({"pack", "-o", folder / "x.syx", "--patch", "1", folder / "p.syx"},
                  "Other extension than \".td7\" not allowed");
    EXPECT_FALSE(std::filesystem::exists(folder / "x.syx"));
    // The extension is compared in lower case.
    EXPECT_EQ(RunCli({"pack", "-o", folder / "x.TD7", "--patch", "1", folder / "p.syx"}).Code, 0);

    ExpectFailure({"info", folder / "bad.td7"}, "Not a TD7 setup file...");
    ExpectFailure({"extract", folder / "bad.td7", "--system", "-o", folder / "y.syx"},
                  "Not a TD7 setup file...");
    ExpectFailure({"info", folder / "short.syx"},
                  "Not a TD7 setup file, nor a patch (1575 bytes), instruments (16896 bytes) or "
                  "system (34 bytes) file");
    ExpectFailure({"extract", folder / "s.td7", "--patch", "2", "-o", folder / "y.syx"},
                  "Patch 2 is empty in " + folder / "s.td7");
    ExpectFailure({"extract", folder / "s.td7", "--instruments", "-o", folder / "y.syx"},
                  folder / "s.td7 holds no instruments");
    EXPECT_FALSE(std::filesystem::exists(folder / "y.syx"));
    ExpectFailure({"info", folder / "none.td7"},
                  "Cannot open file \"" + folder / "none.td7" + "\". No such file or directory");
    // Neither waits for a writer that never comes.
    ASSERT_EQ(::mkfifo((folder / "fifo.td7").c_str(), 0600), 0);
    ExpectFailure({"info", folder / "fifo.td7"},
                  "Cannot open file \"" + folder / "fifo.td7" + "\". Not a regular file");
    ExpectFailure({"verify", folder / "fifo.td7", "--in", "Virtual TD-7", "--out", "Virtual TD-7"},
                  "Cannot open file \"" + folder / "fifo.td7" + "\". Not a regular file");
}

TEST_F(Refusals, DeviceFailuresComeBeforeAnythingIsSent) {
    // The virtual TD-7 service alone: input 1, output 2 (it has no mapper).
    ExpectFailure({"backup", "--in", "2", "--out", "2", "-o", folder / "b.td7"},
                  "The midi input device is not available, please choose another one");
    ExpectFailure({"backup", "--in", "Virtual TD-7", "--out", "1", "-o", folder / "b.td7"},
                  "The midi output device is not available, please choose another one");
    // A number means a device of the system: the Virtual TD-7 answers to its name only.
    ExpectFailure(
        {"backup", "--in", "1", "--out", "Virtual TD-7", "-o", folder / "b.td7"},
        "Input 1 is the Virtual TD-7, which is opened by its name only: --in \"Virtual TD-7\"");
    ExpectFailure(
        {"restore", folder / "s.td7", "--out", "2"},
        "Output 2 is the Virtual TD-7, which is opened by its name only: --out \"Virtual TD-7\"");
    ExpectFailure({"backup", "--in", "TD-7", "--out", "Virtual TD-7", "-o", folder / "b.td7"},
                  "No MIDI input device named \"TD-7\"");
    ExpectFailure(
        {"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7", "-o", folder / "b.syx"},
        "Other extension than \".td7\" not allowed");
    // A folder that takes no file ends it before the first request.
    const TResult unwritable = RunCli(
        {"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7", "-o", folder / "none/b.td7"},
        env);
    EXPECT_EQ(unwritable.Err, "tamboro-cli: Cannot create file \"" + folder / "none/b.td7" +
                                  "\". No such file or directory\n");
    std::filesystem::create_directory(folder / "dir.td7");
    const TResult folderNamed = RunCli(
        {"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7", "-o", folder / "dir.td7"}, env);
    EXPECT_EQ(folderNamed.Err,
              "tamboro-cli: Cannot create file \"" + folder / "dir.td7" + "\". Is a directory\n");
    ExpectFailure({"restore", folder / "s.td7", "--out", "Virtual TD-7", "--patches", "1-2"},
                  "Patch 2 is empty in " + folder / "s.td7");
    EXPECT_FALSE(std::filesystem::exists(folder / "b.td7"));

    const std::string signature = "TD7Setup10";
    Bytes empty(signature.begin(), signature.end());
    empty.resize(empty.size() + 34, 0x00);
    WriteBytes(folder / "empty.td7", empty);
    ExpectFailure({"restore", folder / "empty.td7", "--out", "Virtual TD-7"}, "No patches to send");
}

// The system's MIDI service as the programs find it, chosen by the environment.
class SystemMidi : public Refusals {
  protected:
    SystemMidi() {
        for (const char* name : {"TAMBORO_MIDI_API", "JACK_DEFAULT_SERVER"})
            if (const char* value = std::getenv(name)) saved.emplace_back(name, value);
    }
    ~SystemMidi() override {
        ::unsetenv("TAMBORO_MIDI_API");
        ::unsetenv("JACK_DEFAULT_SERVER");
        for (const auto& [name, value] : saved) ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<std::pair<std::string, std::string>> saved;
};

TEST_F(SystemMidi, AnUnknownServiceNameEndsWhatNeedsMidi) {
    ::setenv("TAMBORO_MIDI_API", "bogus", 1);
    env.Service = nullptr;
    ExpectFailure({"ports"}, "Unknown TAMBORO_MIDI_API \"bogus\": the known values are alsa and jack");
    ExpectFailure({"restore", folder / "s.td7", "--out", "1"},
                  "Unknown TAMBORO_MIDI_API \"bogus\": the known values are alsa and jack");
    EXPECT_EQ(RunCli({"info", folder / "s.td7"}, env).Code, 0);
}

// Without a MIDI service the port that the patchbay would connect cannot be opened.
TEST_F(SystemMidi, PortsWithoutAServiceListNoPortForThePatchbay) {
    ::setenv("TAMBORO_MIDI_API", "jack", 1);
    ::setenv("JACK_DEFAULT_SERVER", "tamboro-no-such-server", 1);
    env.Service = nullptr;
    const TResult r = RunCli({"ports"}, env);
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Out.find("Tamboro\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("MIDI output devices (--out):\n"), std::string::npos) << r.Out;
    EXPECT_EQ(r.Err, "tamboro-cli: No MIDI service: no JACK server is running\n");
}

}  // namespace
}  // namespace clitest
