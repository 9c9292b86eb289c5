#pragma once

// The editor's windows as the program makes them, over the built-in virtual TD-7 (which
// can model the 31250-baud cable), with scripted message boxes and file dialogs, for the
// benchmarks of whole user commands.

#include <QAction>
#include <QApplication>

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "editor/shell/AboutWindow.h"
#include "editor/shell/EditorWindows.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/files/FileCommands.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/MainWindow.h"
#include "editor/common/MessageBoxes.h"
#include "simulator/VirtualTd7.h"
#include "td7/session/PortSetup.h"
#include "td7/session/VirtualTd7Service.h"

namespace editorbench {

namespace fs = std::filesystem;

inline QApplication& Application() {
    static int argc = 1;
    static char name[] = "tamboro";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

class Editor {
  public:
    // service: the MIDI service the windows use in place of the built-in virtual TD-7's
    // (which then stays idle); it must outlive the editor.
    explicit Editor(const std::string& name, midiports::MidiService* service = nullptr)
        : dir(fs::temp_directory_path() / ("tamboro-bench-" + name + std::to_string(::getpid()))) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        boxes.SetHeadless(true);
        editor::TMainServices services;
        services.Midi = service ? service : &midi;
        services.Boxes = &boxes;
        services.Errors = &errors;
        services.ProgramDir = dir;
        services.SettingsFile = dir / "tamboro.ini";
        windows = std::make_unique<editor::TEditorWindows>(services, about);
        windows->Files->Dialogs().SetHeadless(true);
        windows->fmTamboro->show();
        QCoreApplication::processEvents();
        // The virtual TD-7's ports, its default device ID (17 in the device window).
        td7::ApplyDeviceChoice(Main().MidiInput1(), Main().MidiOutput1(), 1, 2, 17);
    }
    ~Editor() {
        windows.reset();
        fs::remove_all(dir);
    }

    editor::TfmTamboro& Main() { return *windows->fmTamboro; }
    void WireTiming(bool on) { midi.Module().SetWireTiming(on); }
    // A menu entry as the user clicks it; false when it is disabled.
    bool Click(editor::TCommand command) {
        QAction* action = Main().Menu().Action(command);
        if (!action->isEnabled()) return false;
        action->trigger();
        return true;
    }
    // Every error box shown so far, joined; empty when none was.
    std::string Errors() const {
        std::string texts;
        for (const auto& box : boxes.Shown())
            if (box.Kind == editor::TBoxKind::Error) texts += box.Text.toStdString() + "; ";
        return texts;
    }

    fs::path dir;
    QApplication& application = Application();
    td7::VirtualTd7Service midi;
    editor::MessageBoxes boxes;
    editor::ErrorDisplay errors{boxes};
    editor::TfmAbout about;
    std::unique_ptr<editor::TEditorWindows> windows;
};

}  // namespace editorbench
