#pragma once

// The editor as the program's main block makes it: the real MIDI service (RtMidi on the
// test run's JACK server, beside the built-in virtual TD-7), the splash, the windows in
// their order, and the main window shown. Only the message boxes and the file dialogs are
// scripted; everything else is driven through the windows as a user drives them.

#include <QAction>
#include <QApplication>
#include <QTest>

#include <filesystem>
#include <memory>
#include <vector>

#include "editor/shell/AboutWindow.h"
#include "editor/shell/Application.h"
#include "editor/shell/EditorWindows.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/files/FileCommands.h"
#include "editor/shell/MainMenu.h"
#include "editor/common/MessageBoxes.h"
#include "td7/session/SystemService.h"
#include "td7/map/Td7Collections.h"

namespace acceptance {

namespace fs = std::filesystem;

inline editor::Application& TestApplication() {
    static int argc = 1;
    static char name[] = "tamboro";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's own objects must not be torn down by the exit handlers.
    static editor::Application* application = new editor::Application(argc, argv);
    return *application;
}

// One run of the editor, from its start to its end; `dir` holds the settings file, as the
// program's folder does, unless the settings file is named (an installed program's).
class EditorSession {
  public:
    explicit EditorSession(const fs::path& dir) : EditorSession(dir, dir / "tamboro.ini") {}
    EditorSession(const fs::path& programDir, const fs::path& settingsFile)
        : m_midi(td7::MakeSystemService()) {
        boxes.SetHeadless(true);
        m_application.SetErrorDisplay(&m_errors);
        editor::TMainServices services;
        services.Midi = m_midi.get();
        services.Boxes = &boxes;
        services.Errors = &m_errors;
        services.ProgramDir = programDir;
        services.SettingsFile = settingsFile;
        m_about.ShowSplash();
        QCoreApplication::processEvents();
        windows = std::make_unique<editor::TEditorWindows>(services, m_about);
        windows->Files->Dialogs().SetHeadless(true);
        windows->fmTamboro->show();
        // Keys go to the focused control of the active window, as on a desktop.
        Main().activateWindow();
        shown = QTest::qWaitFor([this] { return Main().FirstShowDone(); }, 5000) &&
                QTest::qWaitForWindowActive(&Main());
    }

    ~EditorSession() {
        windows.reset();
        m_application.SetErrorDisplay(nullptr);
    }

    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    editor::TfmTamboro& Main() { return *windows->fmTamboro; }
    td7::TTd7Collections& Dumps() { return Main().Dumps(); }

    // A menu entry as the user clicks it: only an enabled one does anything.
    bool Click(editor::TCommand command, int number = 0) {
        QAction* action = number > 0 ? Main().Menu().NumberedAction(command, number)
                                     : Main().Menu().Action(command);
        if (action == nullptr || !action->isEnabled()) return false;
        action->trigger();
        return true;
    }

    // Texts of the error boxes shown since the last call.
    std::vector<QString> TakeErrors() {
        std::vector<QString> texts;
        for (const auto& box : boxes.Shown())
            if (box.Kind == editor::TBoxKind::Error) texts.push_back(box.Text);
        boxes.ClearShown();
        return texts;
    }

    editor::MessageBoxes boxes;
    bool shown = false;  // the main window's first showing ran and it is the active window

  private:
    editor::Application& m_application = TestApplication();  // before any widget
    std::unique_ptr<midiports::MidiService> m_midi;
    editor::ErrorDisplay m_errors{boxes};
    editor::TfmAbout m_about;

  public:
    std::unique_ptr<editor::TEditorWindows> windows;
};

}  // namespace acceptance
