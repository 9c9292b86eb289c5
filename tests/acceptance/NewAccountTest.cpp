// A new account: the installed programs with an empty home folder (no ~/.config yet). The
// editor asks the built-in virtual TD-7 for everything, opens the library window, imports a
// file and saves a setup; tamboro-cli then finds the same library, and on another empty home
// makes one only when it imports.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "editor/library/LibraryAccess.h"
#include "editor/library/LibraryModel.h"
#include "editor/library/LibraryWindow.h"
#include "editor/devices/DevicesWindow.h"
#include "simulator/Td7Module.h"
#include "td7/settings/SettingsPath.h"
#include "td7/settings/Version.h"
#include "td7/session/VirtualTd7Service.h"
#include "tests/acceptance/EditorSession.h"

namespace acceptance {
namespace {

using editor::TCommand;

struct TRun {
    int Code;
    std::string Said;  // standard output and error
};

// The installed tamboro-cli as a shell runs it, with HOME set to `home`.
TRun Cli(const fs::path& program, const fs::path& home, const std::string& args) {
    const std::string line =
        "HOME='" + home.string() + "' '" + program.string() + "' " + args + " 2>&1";
    FILE* pipe = ::popen(line.c_str(), "r");
    std::string said;
    std::array<char, 512> buffer{};
    while (pipe != nullptr && std::fgets(buffer.data(), buffer.size(), pipe) != nullptr)
        said += buffer.data();
    const int status = pipe != nullptr ? ::pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, said};
}

class NewAccount : public ::testing::Test {
  protected:
    NewAccount() {
        root = fs::temp_directory_path() / ("tamboro-new-account-" + std::to_string(::getpid()));
        fs::remove_all(root);
        // The layout of an installed program: its help file in ../share/tamboro/.
        fs::create_directories(prefix() / "bin");
        fs::create_directories(prefix() / "share" / "tamboro");
        std::ofstream(prefix() / "share" / "tamboro" / td7::kHelpFileName) << "<p>help</p>";
        fs::copy_file(TAMBORO_CLI_PATH, cli());
        for (const char* name : {"home", "home2"}) fs::create_directories(root / name);
        if (const char* old = std::getenv("HOME")) m_home = old;
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) m_xdg = old;
        ::setenv("HOME", home().c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
    }
    ~NewAccount() override {
        ::setenv("HOME", m_home.c_str(), 1);
        if (!m_xdg.empty()) ::setenv("XDG_CONFIG_HOME", m_xdg.c_str(), 1);
        fs::remove_all(root);
    }

    fs::path prefix() const { return root / "usr"; }
    fs::path cli() const { return prefix() / "bin" / "tamboro-cli"; }
    fs::path home() const { return root / "home"; }
    fs::path config() const { return home() / ".config" / "tamboro"; }

    // Options > Midi Devices: the virtual TD-7 picked for input and output, OK clicked.
    static void ChooseVirtualModule(EditorSession& editor) {
        editor::TfmDevices& devices = *editor.windows->fmDevices;
        bool found = false;
        QTimer::singleShot(0, &devices, [&] {
            const QString name = QString::fromLatin1(td7::VirtualTd7Service::kName);
            const int in = devices.coInput()->findText(name);
            const int out = devices.coOutput()->findText(name);
            found = in >= 0 && out >= 0;
            devices.coInput()->setCurrentIndex(in);
            devices.coOutput()->setCurrentIndex(out);
            auto* buttons = devices.findChild<QDialogButtonBox*>();
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        ASSERT_TRUE(editor.Click(TCommand::MidiDevices));
        ASSERT_TRUE(found) << "the virtual TD-7 is not in the device lists";
    }

    fs::path root;

  private:
    std::string m_home;
    std::string m_xdg;
};

TEST_F(NewAccount, TheEditorAndTheCommandLineMakeAndShareTheLibraryInTheEmptyHome) {
    const fs::path settings = td7::SettingsFilePath(prefix() / "bin");
    ASSERT_EQ(settings, config() / "tamboro.ini");
    ASSERT_FALSE(fs::exists(home() / ".config"));

    simulator::Td7Module other;
    other.LoadRandom(41);
    const auto kit = other.PatchDataSets(4);
    const fs::path kitFile = root / "traded.syx";
    std::ofstream(kitFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(kit.data()), static_cast<std::streamsize>(kit.size()));
    const fs::path setupFile = home() / "first.td7";
    int kits = 0;
    {
        EditorSession editor(prefix() / "bin", settings);
        ASSERT_TRUE(editor.shown);
        ASSERT_NO_FATAL_FAILURE(ChooseVirtualModule(editor));

        SCOPED_TRACE("Request All: the history makes the library and its folders");
        editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
        ASSERT_TRUE(editor.Click(TCommand::RequestAll));
        ASSERT_EQ(editor.TakeErrors(), std::vector<QString>{});
        for (int p = 0; p < td7::kPatchCount; ++p)
            ASSERT_TRUE(editor.Main().Present().PatchPresent(p)) << p;
        EXPECT_TRUE(fs::exists(config() / "library.sqlite3"));

        SCOPED_TRACE("the library window and an import");
        ASSERT_TRUE(editor.Click(TCommand::Library));
        ASSERT_NE(editor.windows->fmLibrary, nullptr);
        editor::TfmLibrary& window = *editor.windows->fmLibrary;
        ASSERT_TRUE(window.isVisible());
        const int requested = window.Model().Total();
        EXPECT_GT(requested, 0);
        window.Import({kitFile});
        EXPECT_EQ(window.Model().Total(), requested + 1);
        kits = editor.windows->Library->Get()->Info().Kits;

        SCOPED_TRACE("saving the setup and quitting");
        editor.windows->Files->Dialogs().SetNextFile(QString::fromStdString(setupFile.string()));
        ASSERT_TRUE(editor.Click(TCommand::SaveSetup));
        ASSERT_EQ(editor.TakeErrors(), std::vector<QString>{});
        ASSERT_TRUE(editor.Click(TCommand::Exit));
    }
    EXPECT_TRUE(fs::exists(settings)) << "tamboro.ini is written at exit";
    EXPECT_TRUE(fs::exists(setupFile));

    SCOPED_TRACE("tamboro-cli uses the editor's library");
    const auto again = Cli(cli(), home(), "library import '" + setupFile.string() + "'");
    EXPECT_EQ(again.Code, 0) << again.Said;
    EXPECT_NE(again.Said.find(": 0 new, "), std::string::npos) << again.Said;
    const auto info = Cli(cli(), home(), "library info");
    EXPECT_EQ(info.Code, 0) << info.Said;
    EXPECT_NE(info.Said.find("\nKits: " + std::to_string(kits) + "\n"), std::string::npos)
        << info.Said;

    SCOPED_TRACE("another empty home: only an import makes a library");
    const fs::path home2 = root / "home2";
    const auto none = Cli(cli(), home2, "library list");
    EXPECT_EQ(none.Code, 1) << none.Said;
    EXPECT_FALSE(fs::exists(home2 / ".config"));
    const auto imported = Cli(cli(), home2, "library import '" + kitFile.string() + "'");
    EXPECT_EQ(imported.Code, 0) << imported.Said;
    EXPECT_EQ(imported.Said, "Imported 1 file: 1 new, 0 already in the library\n");
    EXPECT_TRUE(fs::exists(home2 / ".config" / "tamboro" / "library.sqlite3"));
}

}  // namespace
}  // namespace acceptance
