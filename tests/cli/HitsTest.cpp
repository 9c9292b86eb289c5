// "hits" against the virtual TD-7 playing its pads: the report names the setup's triggers,
// Ctrl+C ends the recording with the report, and the notes go to the CSV file.

#include <signal.h>
#include <unistd.h>

#include <mutex>
#include <set>
#include <thread>

#include "midilink/Templates.h"
#include "simulator/VirtualTd7.h"
#include "td7/map/ParameterTable.h"
#include "td7/map/Td7Map.h"
#include "td7/session/VirtualTd7Service.h"
#include "tests/cli/CliHarness.h"
#include "tests/support/FakeMidiService.h"

namespace clitest {
namespace {

using namespace std::chrono_literals;

bool InterruptHandled() {
    struct sigaction now {};
    ::sigaction(SIGINT, nullptr, &now);
    return now.sa_handler != SIG_DFL;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(Hits, CtrlCEndsTheRecordingAndReportsThePadsOfTheSetupsPatch) {
    TTestFolder folder;
    td7::VirtualTd7Service module;
    cli::TEnvironment env;
    env.Service = &module;
    env.Timing.AnswerTimeout = 200ms;
    ASSERT_EQ(RunCli({"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7", "-o",
                      folder / "kit.td7"},
                     env)
                  .Code,
              0);
    module.Module().SetHits(300);

    // Once the handler is in place the recording has begun.
    std::thread interrupter([] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!InterruptHandled() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);  // polling the command's thread
        std::this_thread::sleep_for(500ms);
        ::kill(::getpid(), SIGINT);
    });
    const TResult r = RunCli({"hits", "--in", "Virtual TD-7", "--setup", folder / "kit.td7",
                              "--csv", folder / "hits.csv"},
                             env);
    interrupter.join();
    module.Module().SetHits(0);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_FALSE(InterruptHandled());

    std::set<std::string> names;
    for (const auto& entry : td7::TriggerTable()) names.insert(std::string(entry.SelectorText));
    int reported = 0;
    const std::vector<std::string> report = Lines(r.Out);
    ASSERT_FALSE(report.empty());
    for (const std::string& line : report) {
        if (line == "Suggestions:" || line == "No suggestions") break;
        const auto colon = line.find(": ", line.find(": ") + 2);
        ASSERT_NE(colon, std::string::npos) << line;
        EXPECT_TRUE(names.contains(line.substr(0, colon))) << line;
        reported += std::stoi(line.substr(colon + 2));
    }
    // Every note reached a pad of the setup's patch 1, the one the module plays.
    const Bytes file = ReadBytes(folder / "hits.csv");
    const std::vector<std::string> csv = Lines(std::string(file.begin(), file.end()));
    ASSERT_GT(csv.size(), 20u);
    EXPECT_EQ(csv[0], "seconds,note,velocity,trigger,flag");
    EXPECT_EQ(reported, static_cast<int>(csv.size()) - 1);
    for (std::size_t k = 1; k < csv.size(); ++k) {
        std::istringstream fields(csv[k]);
        std::string field;
        for (int column = 0; column < 4; ++column) std::getline(fields, field, ',');
        EXPECT_TRUE(names.contains(field)) << csv[k];
    }
}

TEST(Hits, SecondsEndTheRecordingAndTheChannelChoosesTheNotes) {
    td7::VirtualTd7Service module;
    cli::TEnvironment env;
    env.Service = &module;
    module.Module().SetHits(100);
    // The module sends on channel 10: nothing comes on 11, and the report says where it went.
    const TResult r =
        RunCli({"hits", "--in", "Virtual TD-7", "--seconds", "1", "--channel", "11"}, env);
    module.Module().SetHits(0);
    EXPECT_EQ(r.Code, 0) << r.Err;
    const std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 3u) << r.Out;
    EXPECT_EQ(lines[0], "No hits");
    EXPECT_TRUE(lines[1].ends_with(" notes arrived on channel 10; --channel 10 listens there"))
        << r.Out;
    EXPECT_EQ(lines[2], "No suggestions");

    EXPECT_EQ(RunCli({"hits", "--in", "Virtual TD-7", "--patch", "2"}).Err,
              "tamboro-cli: hits --patch needs --setup\nTry \"tamboro-cli --help\".\n");
}

// The pads' interface pulled out: the report of what came, then the news, and status 1.
TEST(Hits, AnInputThatGoesAwayEndsTheRecordingWithItsReport) {
    testsupport::FakeMidiService pads;
    pads.AddInput("Pads");
    cli::TEnvironment env;
    env.Service = &pads;
    std::thread unplug([&pads] {
        std::this_thread::sleep_for(300ms);
        pads.Unplug("Pads");
    });
    const TResult r = RunCli({"hits", "--in", "Pads", "--seconds", "30"}, env);
    unplug.join();
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Out, "No hits\nNo suggestions\n");
    EXPECT_TRUE(r.Err.ends_with(
        "tamboro-cli: The MIDI device \"Pads\" is gone. The recording ended there.\n"))
        << r.Err;
}

// Refused before anything is recorded, and the files stay as they were.
TEST(Hits, TheCsvFitsItsExtensionNeverReplacesTheSetupAndTheChannelIsAMidiChannel) {
    TTestFolder folder;
    td7::VirtualTd7Service module;
    cli::TEnvironment env;
    env.Service = &module;
    Td7Module content;
    content.LoadRandom(5);
    Bytes setup = SetupBytes(content, {0}, false, true);
    WriteBytes(folder / "gig.td7", setup);
    WriteBytes(folder / "gig.csv", setup);  // a setup by another name is still what is read
    const std::size_t system = setup.size() - 34;
    setup[system + static_cast<std::size_t>(td7::FindParameter("TrigTxCh")->DumpIndex)] = 34;
    setup[setup.size() - 2] = midilink::RolandChecksum(setup.data() + system + 5, 34 - 7);
    WriteBytes(folder / "ch35.td7", setup);

    struct Case {
        std::string setup, csv, error;
    };
    const std::vector<Case> cases = {
        {"gig.td7", "gig.td7", "Other extension than \".csv\" not allowed"},
        {"gig.csv", "gig.csv",
         "\"" + folder / "gig.csv" + "\" is the file being read (" + folder / "gig.csv" +
             "); nothing was written"},
        {"ch35.td7", "",
         folder / "ch35.td7" +
             ": trigger transmit channel 35 is not a MIDI channel (1..16); --channel chooses one"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"hits", "--in",    "Virtual TD-7",  "--seconds",
                                         "1",    "--setup", folder / c.setup};
        if (!c.csv.empty()) args.insert(args.end(), {"--csv", folder / c.csv});
        const TResult r = RunCli(args, env);
        EXPECT_EQ(r.Code, 1) << c.setup;
        EXPECT_EQ(r.Err, "tamboro-cli: " + c.error + "\n");
    }
    EXPECT_EQ(ReadBytes(folder / "gig.td7"), SetupBytes(content, {0}, false, true));
    EXPECT_EQ(ReadBytes(folder / "gig.csv"), SetupBytes(content, {0}, false, true));
}

}  // namespace
}  // namespace clitest
