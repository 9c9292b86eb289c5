#include <QDir>
#include <QTimer>

#include <cstdio>

#include "editor/shell/AboutWindow.h"
#include "editor/shell/AppIcon.h"
#include "editor/shell/Application.h"
#include "editor/shell/CommandLine.h"
#include "editor/shell/EditorWindows.h"
#include "editor/shell/ErrorDisplay.h"
#include "editor/shell/MessageBoxes.h"
#include "editor/shell/Settings.h"
#include "td7/SystemService.h"
#include "td7/Version.h"

int main(int argc, char** argv) {
    // Read before the application object exists: --help and --version need no display.
    const app::TCommandLine line = app::ParseCommandLine({argv + 1, argv + argc});
    if (line.Action != app::TCommandLineAction::Run) {
        std::fputs(line.Text.c_str(),
                   line.Action == app::TCommandLineAction::Refuse ? stderr : stdout);
        return line.ExitCode();
    }

    app::Application application(argc, argv);
    application.setWindowIcon(app::ApplicationIcon());
    app::MessageBoxes boxes;
    app::ErrorDisplay errors(boxes);
    application.SetErrorDisplay(&errors);

    // The splash is drawn before the rest is made.
    app::TfmAbout about;
    about.ShowSplash();
    QCoreApplication::processEvents();

    const std::filesystem::path programDir =
        QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
    // Said once on standard error; the device window's lists show the rest.
    auto midi = app::MakeSystemService(
        [](const std::string& line) { std::fprintf(stderr, "tamboro: %s\n", line.c_str()); });

    app::TMainServices services;
    services.Midi = midi.get();
    services.Boxes = &boxes;
    services.Errors = &errors;
    services.ProgramDir = programDir;
    services.SettingsFile = app::SettingsFilePath(programDir);
    for (const std::string& file : line.Files)
        services.Arguments.push_back(QString::fromLocal8Bit(file.c_str()));

    app::TEditorWindows windows(services, about);
    windows.fmTamboro->show();
    const int result = application.exec();
    application.SetErrorDisplay(nullptr);
    return result;
}
