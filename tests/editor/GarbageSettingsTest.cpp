// A settings file that is not what the editor wrote: binary junk, a truncated write, values
// out of every range. The start takes the defaults for what it cannot read, and the close
// writes a clean file that reads back as exactly what was saved.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "editor/shell/Settings.h"
#include "td7/settings/IniFile.h"

namespace {

namespace fs = std::filesystem;

class GarbageSettings : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("tamboro-garbage-settings-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_file = m_dir / td7::kSettingsFileName;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Write(const std::string& bytes) { std::ofstream(m_file, std::ios::binary) << bytes; }
    std::string Read() {
        std::ifstream in(m_file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // Start, then close: what the editor does with the file across one run.
    editor::TSettings StartAndClose(const editor::TSettings& changes) {
        editor::TSettings s = editor::LoadSettings(m_file);
        s.MidiInDev = changes.MidiInDev;
        s.LastSetup = changes.LastSetup;
        editor::SaveSettings(m_file, s);
        return s;
    }

    // Clean: every line a section or a key, ours with the values saved, and reading it
    // again gives the same document.
    void ExpectClean(const editor::TSettings& saved) {
        const std::string text = Read();
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.empty()) continue;
            EXPECT_TRUE(line.front() == '[' || line.find('=') != std::string::npos) << line;
        }
        const td7::IniFile ini = td7::IniFile::Parse(text);
        EXPECT_EQ(ini.Value("General", "DevId"), std::to_string(saved.DevId));
        EXPECT_EQ(ini.Value("General", "LastSetup"), saved.LastSetup);
        EXPECT_EQ(td7::IniFile::Parse(text).Text(), text);
        EXPECT_EQ(editor::LoadSettings(m_file), saved);
        EXPECT_FALSE(fs::exists(m_file.string() + ".tmp"));
    }

    fs::path m_dir;
    fs::path m_file;
};

TEST_F(GarbageSettings, BinaryJunkGivesTheDefaultsAndACleanFileAtClose) {
    std::string junk;
    std::mt19937 random(7);
    for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>(random() & 0xFF));
    Write(junk);
    EXPECT_EQ(editor::LoadSettings(m_file), editor::TSettings{});

    editor::TSettings changes;
    changes.MidiInDev = 2;
    changes.LastSetup = "/home/user/kit.td7";
    const editor::TSettings saved = StartAndClose(changes);
    ExpectClean(saved);
    EXPECT_EQ(saved.DevId, 16);
}

TEST_F(GarbageSettings, DamagedKeysAndValuesFallBackOneByOne) {
    Write(std::string("[General]\r\nDevId=300\r\nBackground=0x80\r\nMidiInDev=\r\n"
                      "MidiOutDev=99999999999999999999\r\nLastSetup=/a/b.td7\r\n"
                      "[InstEdit]\r\nPatchLookup=maybe\r\n[General\r\nDevId=5") +
          std::string("\0\xff\xfe", 3));
    const editor::TSettings s = editor::LoadSettings(m_file);
    const editor::TSettings defaults;
    EXPECT_EQ(s.DevId, defaults.DevId);
    EXPECT_EQ(s.Background, defaults.Background);
    EXPECT_EQ(s.MidiInDev, defaults.MidiInDev);
    EXPECT_EQ(s.MidiOutDev, defaults.MidiOutDev);
    EXPECT_EQ(s.LastSetup, "/a/b.td7");  // the one key that was fine stays
    EXPECT_EQ(s.PatchLookup, defaults.PatchLookup);

    ExpectClean(StartAndClose(s));
}

TEST_F(GarbageSettings, AFileCutOffInTheMiddleOfALineStillStarts) {
    Write("[General]\nDevId=3\nBackground=123");  // the write stopped here
    const editor::TSettings s = editor::LoadSettings(m_file);
    EXPECT_EQ(s.DevId, 3);
    EXPECT_EQ(s.Background, 123);
    ExpectClean(StartAndClose(s));
}

}  // namespace
