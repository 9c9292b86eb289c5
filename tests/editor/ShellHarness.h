#pragma once

// The editor's windows on the offscreen platform, over the scriptable MIDI service, with
// scripted message boxes, a settings file of the test's own, and a TD-7 that answers on
// the service's first input whatever the editor sends to its first output.

#include <QApplication>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "editor/shell/AboutWindow.h"
#include "editor/shell/EditorWindows.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/shell/MainMenu.h"
#include "editor/common/MessageBoxes.h"
#include "midilink/DeviceIds.h"
#include "simulator/Td7Module.h"
#include "td7/transfers/Transfers.h"
#include "tests/support/FakeMidiService.h"

namespace shelltest {

namespace fs = std::filesystem;

inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "shell_test";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's own objects must not be torn down by the exit handlers.
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

// The transfers' wait: the events of the editor run for real (ports, ring, port window,
// link), but the clock is the test's. Whatever the editor has sent since the last wait
// goes to the module, whose answers come back through the service's input. When nothing
// is expected, the clock jumps to the deadline, so time-outs and the pace cost nothing.
class ModuleWait : public td7::TTransferWait {
  public:
    ModuleWait(testsupport::FakeMidiService& midi, int output) : m_midi(midi), m_output(output) {}

    Clock::time_point Now() override { return now; }
    void WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) override {
        ++waits;
        if (duringWait) duringWait();
        bool answered = false;
        const auto sent = m_midi.SentTo(m_output);
        for (; m_forwarded < sent.size(); ++m_forwarded) {
            const auto& bytes = sent[m_forwarded].bytes;
            if (!moduleOn || bytes.empty() || bytes[0] != 0xF0) continue;
            for (const auto& answer : module.Receive(bytes.data(), bytes.size())) {
                m_midi.Inject(0, answer);
                answered = true;
            }
        }
        if (answered) {
            // Real time, but only as a safety net: the answer is on its way.
            if (!QTest::qWaitFor(done, 5000)) now = deadline;
            return;
        }
        QCoreApplication::processEvents();
        if (!done() && deadline > now) now = deadline;
    }

    simulator::Td7Module module;
    bool moduleOn = true;
    Clock::time_point now{};
    int waits = 0;
    std::function<void()> duringWait;

  private:
    testsupport::FakeMidiService& m_midi;
    int m_output;
    std::size_t m_forwarded = 0;
};

// The main window's services for a test: its service, boxes, error display, and a folder
// of its own that holds the settings file.
inline editor::TMainServices ServicesFor(midiports::MidiService& midi, editor::MessageBoxes& boxes,
                                      editor::ErrorDisplay& errors, const fs::path& dir) {
    editor::TMainServices services;
    services.Midi = &midi;
    services.Boxes = &boxes;
    services.Errors = &errors;
    services.ProgramDir = dir;
    services.SettingsFile = dir / "tamboro.ini";
    return services;
}

class Editor {
  public:
    explicit Editor(const std::string& name)
        : midi({"In A", "In B"}, {"Out A", "Out B"}, "Tamboro") {
        midilink::ClearDeviceIds();
        dir = fs::temp_directory_path() / ("tamboro-shell-" + std::to_string(::getpid()) + name);
        fs::remove_all(dir);
        fs::create_directories(dir);
        settingsFile = dir / "tamboro.ini";
        boxes.SetHeadless(true);
    }
    ~Editor() {
        windows.reset();
        midilink::ClearDeviceIds();
        fs::remove_all(dir);
    }

    void WriteSettings(const std::string& text) const {
        std::ofstream(settingsFile, std::ios::binary) << text;
    }
    std::string ReadSettings() const {
        std::ifstream in(settingsFile, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // Makes the windows; the first showing runs with Show.
    void Create(QStringList arguments = {}, int moduleOutput = 0) {
        wait = std::make_shared<ModuleWait>(midi, moduleOutput);
        editor::TMainServices services = ServicesFor(midi, boxes, errors, dir);
        services.Arguments = std::move(arguments);
        services.Wait = wait;
        about.ShowSplash();
        windows = std::make_unique<editor::TEditorWindows>(services, about);
    }
    void Show() { windows->fmTamboro->show(); }
    void Start(QStringList arguments = {}, int moduleOutput = 0) {
        Create(std::move(arguments), moduleOutput);
        Show();
    }
    editor::TfmTamboro& Main() { return *windows->fmTamboro; }
    // Started on the module's ports, with the factory patches, instruments and system
    // block requested as the user would.
    void StartWithFactoryMemory();

    QApplication& application = TestApplication();  // before any widget
    testsupport::FakeMidiService midi;
    editor::MessageBoxes boxes;
    editor::ErrorDisplay errors{boxes};
    editor::TfmAbout about;
    fs::path dir;
    fs::path settingsFile;
    std::shared_ptr<ModuleWait> wait;
    std::unique_ptr<editor::TEditorWindows> windows;
};

inline void Editor::StartWithFactoryMemory() {
    WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
    Start({}, 0);
    wait->module.LoadFactory();
    boxes.SetNextAnswer(editor::TAnswer::Yes);
    for (editor::TCommand command :
         {editor::TCommand::RequestAll, editor::TCommand::InstRequest, editor::TCommand::SysRequest})
        Main().Menu().Action(command)->trigger();
}

}  // namespace shelltest
