// Everyday desktop use, toolkit-free: the command line, finding devices again by name,
// the port-loop watch, the kinds of dropped files and the names in the settings file.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "editor/shell/CommandLine.h"
#include "editor/files/DroppedFile.h"
#include "editor/shell/Settings.h"
#include "td7/session/DeviceMemory.h"
#include "td7/files/DumpFiles.h"
#include "td7/files/FileKind.h"
#include "td7/session/LoopDetector.h"

namespace {

using editor::TCommandLineAction;

TEST(DesktopCommandLine, HelpAndVersionEndTheRunWhereverTheyStand) {
    const auto help = editor::ParseCommandLine({"kit.td7", "--help"});
    EXPECT_EQ(help.Action, TCommandLineAction::Help);
    EXPECT_EQ(help.ExitCode(), 0);
    EXPECT_NE(help.Text.find("Usage: tamboro"), std::string::npos);
    EXPECT_EQ(editor::ParseCommandLine({"-h"}).Action, TCommandLineAction::Help);

    const auto version = editor::ParseCommandLine({"--version", "--bogus"});
    EXPECT_EQ(version.Action, TCommandLineAction::Version);
    EXPECT_EQ(version.Text, "Tamboro 1.2 (build 16)\n");
}

TEST(DesktopCommandLine, UnknownOptionsAreRefusedWithExitCodeTwo) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--frobnicate"},
                                                      {"-x", "kit.td7"},
                                                      {"--help=yes"},
                                                      {"-style"}}) {
        const auto line = editor::ParseCommandLine(arguments);
        EXPECT_EQ(line.Action, TCommandLineAction::Refuse) << arguments.front();
        EXPECT_EQ(line.ExitCode(), 2);
        EXPECT_NE(line.Text.find("tamboro --help"), std::string::npos);
    }
    EXPECT_NE(editor::ParseCommandLine({"--frobnicate"}).Text.find("'--frobnicate'"),
              std::string::npos);
}

TEST(DesktopCommandLine, FilesAndTheToolkitsOwnOptionsPassThrough) {
    const auto line = editor::ParseCommandLine(
        {"-style", "fusion", "kit.td7", "--platform=offscreen", "-reverse", "-", "--", "-odd.td7"});
    EXPECT_EQ(line.Action, TCommandLineAction::Run);
    EXPECT_EQ(line.Files, (std::vector<std::string>{"kit.td7", "-", "-odd.td7"}));
    EXPECT_TRUE(editor::ParseCommandLine({}).Files.empty());
}

// The built-in module takes td7sim's options as one argument, but none about ports or files.
TEST(DesktopCommandLine, TheVirtualModuleTakesTheSimulatorsOptions) {
    const auto line = editor::ParseCommandLine(
        {"--virtual-module", "--doubles  --store-ms 20 --seed 3", "kit.td7"});
    ASSERT_EQ(line.Action, TCommandLineAction::Run) << line.Text;
    EXPECT_TRUE(line.VirtualModule.triggerFaults.doubles);
    EXPECT_GT(line.VirtualModule.hitsPerSecond, 0);
    EXPECT_EQ(line.VirtualModule.store.baseMs, 20);
    EXPECT_EQ(line.VirtualModule.seed, 3u);
    EXPECT_EQ(line.Files, std::vector<std::string>{"kit.td7"});
    EXPECT_TRUE(editor::ParseCommandLine({"--virtual-module=--hot"}).VirtualModule.triggerFaults.hot);

    for (const auto& [value, said] : {std::pair{"--memory-file /tmp/m.syx", "--memory-file is not"},
                                      {"--store-ms fast", "--store-ms: milliseconds"},
                                      {"--busy-ms 5", "go together"}}) {
        const auto refused = editor::ParseCommandLine({"--virtual-module", value});
        EXPECT_EQ(refused.Action, TCommandLineAction::Refuse) << value;
        EXPECT_NE(refused.Text.find(said), std::string::npos) << refused.Text;
    }
    EXPECT_EQ(editor::ParseCommandLine({"--virtual-module"}).Action, TCommandLineAction::Refuse);
}

std::vector<td7::TDeviceChoice> Inputs(std::vector<std::string> names) {
    std::vector<td7::TDeviceChoice> list{{"None", 0}};
    for (std::size_t i = 0; i < names.size(); ++i)
        list.push_back({names[i], static_cast<int>(i) + 1});
    return list;
}

TEST(DesktopDeviceMemory, TheNameFindsADeviceWhoseNumberMoved) {
    // "TD-7 Interface" was input 2 (setting 3); another interface was plugged in before it.
    const auto moved = Inputs({"Keyboard", "Mixer", "Pads", "TD-7 Interface"});
    EXPECT_EQ(td7::FindRememberedDevice(moved, 3, "TD-7 Interface"), 4);
    // Names keep their trailing blanks out of the comparison, as the settings file does.
    EXPECT_EQ(td7::FindRememberedDevice(moved, 3, " TD-7 Interface "), 4);
    // The number still holds the name: it stands, even with a twin further on.
    EXPECT_EQ(td7::FindRememberedDevice(Inputs({"Twin", "Twin"}), 2, "Twin"), 2);
    // The device went away and came back at a lower number.
    EXPECT_EQ(td7::FindRememberedDevice(Inputs({"TD-7 Interface"}), 3, "TD-7 Interface"), 1);
}

TEST(DesktopDeviceMemory, NumbersStandWhereTheNameCannotDecide) {
    const auto list = Inputs({"Keyboard", "Mixer"});
    EXPECT_EQ(td7::FindRememberedDevice(list, 0, "Mixer"), 0);     // none chosen
    EXPECT_EQ(td7::FindRememberedDevice(list, 2, ""), 2);          // an older settings file
    EXPECT_EQ(td7::FindRememberedDevice(list, 7, ""), 7);          // the port's own error then
    // The name is nowhere: the error box, whatever has the number now.
    EXPECT_EQ(td7::FindRememberedDevice(list, 2, "Gone Box"), std::nullopt);
    EXPECT_EQ(td7::FindRememberedDevice(list, 5, "Gone Box"), std::nullopt);
}

TEST(DesktopSettings, DeviceNamesAreKeptBesideTheNumbers) {
    const auto file = std::filesystem::temp_directory_path() /
                      ("tamboro-desktop-" + std::to_string(::getpid()) + ".ini");
    editor::TSettings settings;
    settings.MidiInDev = 3;
    settings.MidiInName = "TD-7 Interface";
    settings.MidiOutDev = 1;
    settings.MidiOutName = "Tamboro";
    editor::SaveSettings(file, settings);
    std::ifstream in(file);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("MidiInDev=3"), std::string::npos);
    EXPECT_NE(text.find("MidiInName=TD-7 Interface"), std::string::npos);
    EXPECT_NE(text.find("MidiOutName=Tamboro"), std::string::npos);
    EXPECT_EQ(editor::LoadSettings(file), settings);
    std::filesystem::remove(file);
}

TEST(DesktopSettings, AnInstalledProgramKeepsItsSettingsInTheConfigurationFolder) {
    const auto prefix =
        std::filesystem::temp_directory_path() / ("tamboro-prefix-" + std::to_string(::getpid()));
    std::filesystem::create_directories(prefix / "bin");
    const auto env = [](const char* name) -> const char* {
        return std::string(name) == "XDG_CONFIG_HOME" ? "/home/drummer/.config" : nullptr;
    };
    // A build folder, or an unpacked one: beside the program.
    EXPECT_EQ(td7::SettingsFilePath(prefix / "bin", env), prefix / "bin" / "tamboro.ini");
    // The same folder once installed beside share/tamboro/.
    std::filesystem::create_directories(prefix / "share" / "tamboro");
    std::ofstream(prefix / "share" / "tamboro" / "tamboro.hlp") << "<html></html>";
    EXPECT_EQ(td7::SettingsFilePath(prefix / "bin", env),
              std::filesystem::path("/home/drummer/.config/tamboro/tamboro.ini"));
    std::filesystem::remove_all(prefix);
}

class DesktopLoopDetector : public ::testing::Test {
  protected:
    using Clock = td7::TLoopDetector::Clock;
    Clock::time_point now{};
    td7::TLoopDetector detector{[this] { return now; }};
    const std::vector<std::uint8_t> request{0xF0, 0x41, 0x10, 0x58, 0x11, 0x00, 0x00, 0x00,
                                            0x00, 0x00, 0x00, 0x00, 0x22, 0x5E, 0xF7};
};

TEST_F(DesktopLoopDetector, AnOwnMessageBackWithinTheWindowIsReportedOnce) {
    detector.Sent(request.data(), request.size());
    now += td7::TLoopDetector::kWindow;
    EXPECT_TRUE(detector.Received(request.data(), request.size()));
    EXPECT_TRUE(detector.LoopSeen());
    detector.Sent(request.data(), request.size());
    EXPECT_FALSE(detector.Received(request.data(), request.size()));
    // New ports: said again when it happens again.
    detector.Reset();
    EXPECT_FALSE(detector.Received(request.data(), request.size()));
    detector.Sent(request.data(), request.size());
    EXPECT_TRUE(detector.Received(request.data(), request.size()));
}

TEST_F(DesktopLoopDetector, AnswersLateMessagesAndForgottenOnesAreNoLoop) {
    detector.Sent(request.data(), request.size());
    // The module's answer differs from the request.
    auto answer = request;
    answer[4] = 0x12;
    EXPECT_FALSE(detector.Received(answer.data(), answer.size()));
    // The same bytes, one byte shorter, are another message.
    EXPECT_FALSE(detector.Received(request.data(), request.size() - 1));
    // The same bytes after the window: the module sending a record that was transmitted
    // to it a while ago.
    now += td7::TLoopDetector::kWindow + std::chrono::milliseconds(1);
    EXPECT_FALSE(detector.Received(request.data(), request.size()));
    // A message pushed out of the ring by newer ones is forgotten.
    now = {};
    detector.Sent(request.data(), request.size());
    for (std::size_t i = 0; i < td7::TLoopDetector::kRingSize; ++i) {
        auto other = answer;
        other[8] = static_cast<std::uint8_t>(i);
        detector.Sent(other.data(), other.size());
    }
    EXPECT_FALSE(detector.Received(request.data(), request.size()));
    EXPECT_FALSE(detector.LoopSeen());
}

TEST(DesktopDroppedFile, SetupsByExtensionDumpsBySize) {
    using editor::TDroppedFile;
    EXPECT_EQ(editor::KindOfDroppedFile("/x/kit.td7", 5), TDroppedFile::Setup);
    EXPECT_EQ(editor::KindOfDroppedFile("/x/KIT.TD7", 0), TDroppedFile::Setup);
    EXPECT_EQ(editor::KindOfDroppedFile("/x/p.syx", 1575), TDroppedFile::Patch);
    EXPECT_EQ(editor::KindOfDroppedFile("/x/i.SYX", 16896), TDroppedFile::Instruments);
    EXPECT_EQ(editor::KindOfDroppedFile("/x/s.syx", 34), TDroppedFile::System);
    EXPECT_EQ(editor::KindOfDroppedFile("/x/s.syx", 35), TDroppedFile::WrongSize);
    EXPECT_EQ(editor::KindOfDroppedFile("/x/notes.txt", 34), TDroppedFile::None);
    EXPECT_EQ(editor::KindOfDroppedFile("/x/td7", 34), TDroppedFile::None);

    EXPECT_STREQ(td7::DumpSizeError(0), td7::kSystemFileSizeError);
    EXPECT_STREQ(td7::DumpSizeError(33), td7::kSystemFileSizeError);
    EXPECT_STREQ(td7::DumpSizeError(1574), td7::kPatchFileSizeError);
    EXPECT_STREQ(td7::DumpSizeError(1576), td7::kPatchFileSizeError);
    EXPECT_STREQ(td7::DumpSizeError(16895), td7::kInstrumentFileSizeError);
    EXPECT_STREQ(td7::DumpSizeError(1'000'000), td7::kInstrumentFileSizeError);
}

}  // namespace
