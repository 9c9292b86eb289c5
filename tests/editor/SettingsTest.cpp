#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "td7/settings/IniFile.h"
#include "editor/shell/Settings.h"

namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("tamboro-settings-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path Write(const std::string& text, const std::string& name = "tamboro.ini") {
        const fs::path file = m_dir / name;
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    static std::string Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path m_dir;
};

TEST_F(SettingsFileTest, MissingFileAndMissingKeysGiveTheDefaults) {
    const editor::TSettings defaults;
    EXPECT_EQ(editor::LoadSettings(m_dir / "absent.ini"), defaults);
    EXPECT_EQ(defaults.DevId, 16);
    EXPECT_EQ(defaults.Background, 8421504);
    EXPECT_EQ(defaults.MidiInDev, 0);
    EXPECT_EQ(defaults.MidiOutDev, 0);
    EXPECT_EQ(defaults.LastSetup, "");
    EXPECT_TRUE(defaults.PatchLookup);
    EXPECT_FALSE(defaults.VerifyTransmissions);

    const auto partial = editor::LoadSettings(Write("[General]\nMidiOutDev=3\n"));
    EXPECT_EQ(partial.MidiOutDev, 3);
    EXPECT_EQ(partial.DevId, 16);
    EXPECT_TRUE(partial.PatchLookup);
}

TEST_F(SettingsFileTest, ReadsEveryKeyWithLenientNamesAndBooleans) {
    const auto s =
        editor::LoadSettings(Write("; written by hand\r\n"
                                "[general]\r\n"
                                " devid = 3 \r\n"
                                "Background=0\r\n"
                                "MIDIINDEV=2\r\n"
                                "MidiOutDev=1\r\n"
                                "LastSetup=/home/u/My Kits/rock = loud.td7\r\n"
                                "[InstEdit]\r\n"
                                "PatchLookup=False\r\n"));
    EXPECT_EQ(s.DevId, 3);
    EXPECT_EQ(s.Background, 0);
    EXPECT_EQ(s.MidiInDev, 2);
    EXPECT_EQ(s.MidiOutDev, 1);
    EXPECT_EQ(s.LastSetup, "/home/u/My Kits/rock = loud.td7");
    EXPECT_FALSE(s.PatchLookup);

    for (const auto& [text, expected] : std::map<std::string, bool>{{"1", true},
                                                                    {"yes", true},
                                                                    {"ON", true},
                                                                    {"0", false},
                                                                    {"no", false},
                                                                    {"maybe", true}}) {
        const auto read = editor::LoadSettings(Write("[InstEdit]\nPatchLookup=" + text + "\n"));
        EXPECT_EQ(read.PatchLookup, expected) << text;
    }
}

TEST_F(SettingsFileTest, GarbageGivesDefaults) {
    std::string garbage = "\x01\xff[General\nDevId\n=12\n[General]\nDevId=twelve\nBackground=12x\n";
    garbage += std::string("\0\0\x80\x90", 4);
    const auto s = editor::LoadSettings(Write(garbage));
    EXPECT_EQ(s, editor::TSettings{});
    // A device ID that no MIDI byte can carry would stop the start; take the default.
    EXPECT_EQ(editor::LoadSettings(Write("[General]\nDevId=200\n")).DevId, 16);
    EXPECT_EQ(editor::LoadSettings(Write("[General]\nDevId=-1\n")).DevId, 16);
}

TEST_F(SettingsFileTest, SaveWritesOneAndZeroAndKeepsForeignKeysAndTheUsersComments) {
    const fs::path file = Write(
        "; my studio\n[General]\n# the kit's module\nDevId=5\nWindowLeft = 10\n\n"
        "; below: mine\n[Other]\nx=y\n");
    editor::TSettings s;
    s.DevId = 0;
    s.MidiInDev = 1;
    s.MidiOutDev = 1;
    s.LastSetup = "/tmp/a.td7";
    s.PatchLookup = false;
    s.VerifyTransmissions = true;
    editor::SaveSettings(file, s);

    const std::string text = Read(file);
    EXPECT_NE(text.find("DevId=0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("PatchLookup=0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("VerifyTransmissions=1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("WindowLeft = 10\n"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("; my studio\n[General]\n# the kit's module\nDevId=0\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n\n; below: mine\n[Other]\nx=y\n"), std::string::npos) << text;
    EXPECT_EQ(editor::LoadSettings(file), s);

    s.PatchLookup = true;
    editor::SaveSettings(file, s);
    EXPECT_NE(Read(file).find("PatchLookup=1\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
}

TEST_F(SettingsFileTest, SaveCreatesTheFolderAndReportsAnUnwritableOne) {
    const fs::path nested = m_dir / "config" / "tamboro" / "tamboro.ini";
    editor::SaveSettings(nested, editor::TSettings{});
    EXPECT_EQ(editor::LoadSettings(nested), editor::TSettings{});

    // A folder that cannot be made (a file stands in its place) must be reported, and the
    // file that stands there must stay as it was.
    const fs::path blocker = Write("not a folder", "blocker");
    EXPECT_THROW(editor::SaveSettings(blocker / "tamboro.ini", editor::TSettings{}), std::runtime_error);
    EXPECT_EQ(Read(blocker), "not a folder");
}

TEST_F(SettingsFileTest, FileLivesBesideTheProgramOnlyWhenThatFolderIsWritable) {
    const auto env = [this](const char* name) -> const char* {
        static std::string value;
        value = std::string(name) == "XDG_CONFIG_HOME" ? (m_dir / "xdg").string()
                                                       : (m_dir / "home").string();
        return value.c_str();
    };
    EXPECT_EQ(td7::SettingsFilePath(m_dir, env), m_dir / "tamboro.ini");

    const auto noXdg = [this](const char* name) -> const char* {
        static std::string home;
        home = (m_dir / "home").string();
        return std::string(name) == "HOME" ? home.c_str() : nullptr;
    };
    EXPECT_EQ(td7::SettingsFilePath(m_dir / "missing", env),
              m_dir / "xdg" / "tamboro" / "tamboro.ini");
    EXPECT_EQ(td7::SettingsFilePath(m_dir / "missing", noXdg),
              m_dir / "home" / ".config" / "tamboro" / "tamboro.ini");

    EXPECT_EQ(td7::SettingsFilePath(Write("x", "a-file"), env),
              m_dir / "xdg" / "tamboro" / "tamboro.ini");
}

TEST_F(SettingsFileTest, LastFolderAndRecentSetupsComeBackAndTheListStaysShortAndNewestFirst) {
    const fs::path file = m_dir / "tamboro.ini";
    editor::TSettings s;
    s.LastDir = "/home/u/My Kits";
    for (int k = 0; k < 8; ++k) s.RecentSetups.push_back("/kits/" + std::to_string(k) + ".td7");
    editor::SaveSettings(file, s);
    EXPECT_EQ(editor::LoadSettings(file), s);
    // A shorter list leaves none of the old entries in the file.
    s.RecentSetups.resize(2);
    editor::SaveSettings(file, s);
    EXPECT_EQ(editor::LoadSettings(file).RecentSetups, s.RecentSetups);

    auto recent = editor::WithRecentSetup(s.RecentSetups, "/kits/1.td7");
    EXPECT_EQ(recent, (std::vector<std::string>{"/kits/1.td7", "/kits/0.td7"}));
    for (int k = 0; k < 10; ++k) recent = editor::WithRecentSetup(recent, "/new/" + std::to_string(k));
    EXPECT_EQ(recent.size(), 8u);
    EXPECT_EQ(recent.front(), "/new/9");
    EXPECT_EQ(recent.back(), "/new/2");
}

TEST_F(SettingsFileTest, FileDialogsStartInTheLastFolderElseAnOwnProgramFolderElseHome) {
    const fs::path home = m_dir / "home";
    const fs::path kits = m_dir / "kits";
    fs::create_directories(home);
    fs::create_directories(kits);
    const auto env = [&home](const char* name) -> const char* {
        static std::string value;
        value = home.string();
        return std::string(name) == "HOME" ? value.c_str() : nullptr;
    };
    EXPECT_EQ(editor::FileDialogStartDir(kits.string(), m_dir, env), kits);
    // Nothing chosen yet (or the folder is gone): a build folder is the user's own...
    EXPECT_EQ(editor::FileDialogStartDir("", m_dir, env), m_dir);
    EXPECT_EQ(editor::FileDialogStartDir((m_dir / "gone").string(), m_dir, env), m_dir);
    // ...an installed program's folder is not.
    const fs::path bin = m_dir / "prefix" / "bin";
    fs::create_directories(bin);
    fs::create_directories(m_dir / "prefix" / "share" / "tamboro");
    Write("<html></html>", "prefix/share/tamboro/tamboro.hlp");
    EXPECT_EQ(editor::FileDialogStartDir("", bin, env), home);
    EXPECT_EQ(editor::FileDialogStartDir("", m_dir / "missing", env), home);
}

TEST(IniFileText, WritesSectionsInFileOrderAndReplacesValuesInPlace) {
    auto ini = td7::IniFile::Parse("[B]\nk=1\n[A]\nk=2\n");
    ini.WriteInteger("a", "K", -7);
    ini.WriteBool("C", "flag", true);
    EXPECT_EQ(ini.Text(), "[B]\nk=1\n[A]\nk=-7\n\n[C]\nflag=1\n");
    EXPECT_EQ(ini.ReadInteger("A", "k", 0), -7);
    EXPECT_EQ(ini.ReadInteger("B", "k", 0), 1);
    EXPECT_EQ(ini.ReadInteger("B", "missing", 42), 42);
}

// Any file, read and written again, reads the same and comes out the same a second time:
// saves never grow or reshuffle a user's file, whatever lines it holds.
TEST(IniFileText, ASavedFileIsStableAndKeepsItsValuesForAnyLines) {
    const std::vector<std::string> lines = {
        "[A]", "[b]", " [ A ] ", "k=1", "K = 2", "x=", "=3", "; note", "# hash", "",
        "   ", "garbage", "[broken", "k=1=2", "\r", "y=\xff"};
    std::mt19937 random(35);
    for (int round = 0; round < 500; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) text += lines[random() % lines.size()] + '\n';
        auto ini = td7::IniFile::Parse(text);
        if (random() % 2) ini.WriteInteger(random() % 2 ? "a" : "New", "k", round);
        const std::string once = ini.Text();
        const auto again = td7::IniFile::Parse(once);
        ASSERT_EQ(again.Text(), once) << text;
        for (const char* section : {"A", "b", "New"})
            for (const char* key : {"k", "x", "y"})
                ASSERT_EQ(again.Value(section, key), ini.Value(section, key)) << text;
    }
}

}  // namespace
