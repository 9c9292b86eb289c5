#include <QDir>
#include <QTimer>

#include <cstdio>

#include "editor/shell/AboutWindow.h"
#include "editor/shell/AppIcon.h"
#include "editor/shell/Application.h"
#include "editor/shell/CommandLine.h"
#include "editor/shell/EditorWindows.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/common/MessageBoxes.h"
#include "editor/shell/Settings.h"
#include "td7/session/SystemService.h"
#include "td7/settings/Version.h"

int main(int argc, char** argv) {
    // Read before the application object exists: --help and --version need no display.
    const editor::TCommandLine line = editor::ParseCommandLine({argv + 1, argv + argc});
    if (line.Action != editor::TCommandLineAction::Run) {
        std::fputs(line.Text.c_str(),
                   line.Action == editor::TCommandLineAction::Refuse ? stderr : stdout);
        return line.ExitCode();
    }

    editor::Application application(argc, argv);
    application.setWindowIcon(editor::ApplicationIcon());
    editor::MessageBoxes boxes;
    editor::ErrorDisplay errors(boxes);
    application.SetErrorDisplay(&errors);

    // The splash is drawn before the rest is made.
    editor::TfmAbout about;
    about.ShowSplash();
    QCoreApplication::processEvents();

    const std::filesystem::path programDir =
        QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
    // Said once on standard error; the device window's lists show the rest.
    auto midi = td7::MakeSystemService(
        [](const std::string& text) { std::fprintf(stderr, "tamboro: %s\n", text.c_str()); },
        line.VirtualModule);

    editor::TMainServices services;
    services.Midi = midi.get();
    services.Boxes = &boxes;
    services.Errors = &errors;
    services.ProgramDir = programDir;
    services.SettingsFile = td7::SettingsFilePath(programDir);
    for (const std::string& file : line.Files)
        services.Arguments.push_back(QString::fromLocal8Bit(file.c_str()));

    editor::TEditorWindows windows(services, about);
    windows.fmTamboro->show();
    const int result = application.exec();
    application.SetErrorDisplay(nullptr);
    return result;
}
