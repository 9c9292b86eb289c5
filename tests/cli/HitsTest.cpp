// "hits" against the virtual TD-7 playing its pads: the report names the setup's triggers,
// Ctrl+C ends the recording with the report, and the notes go to the CSV file.

#include <signal.h>
#include <unistd.h>

#include <mutex>
#include <set>
#include <thread>

#include "simulator/VirtualTd7.h"
#include "td7/map/Td7Map.h"
#include "td7/session/VirtualTd7Service.h"
#include "tests/cli/CliHarness.h"

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
    ASSERT_EQ(RunCli({"backup", "--in", "Virtual TD-7", "--out", "Virtual TD-7", "-o", folder / "kit.td7"}, env).Code, 0);
    module.Module().SetHits(300);

    // Once the handler is in place the recording has begun.
    std::thread interrupter([] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!InterruptHandled() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);  // polling the command's thread
        std::this_thread::sleep_for(500ms);
        ::kill(::getpid(), SIGINT);
    });
    const TResult r = RunCli({"hits", "--in", "Virtual TD-7", "--setup", folder / "kit.td7", "--csv",
                              folder / "hits.csv"},
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
    // The module sends on channel 10: nothing comes on 11.
    const TResult r = RunCli({"hits", "--in", "Virtual TD-7", "--seconds", "1", "--channel", "11"}, env);
    module.Module().SetHits(0);
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "No hits\nNo suggestions\n");

    EXPECT_EQ(RunCli({"hits", "--in", "Virtual TD-7", "--patch", "2"}).Err,
              "tamboro-cli: hits --patch needs --setup\nTry \"tamboro-cli --help\".\n");
}

}  // namespace
}  // namespace clitest
