#include <QDir>
#include <QTimer>

#include "app/AboutWindow.h"
#include "app/Application.h"
#include "app/ErrorDisplay.h"
#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "app/Version.h"
#include "app/Windows.h"
#include "midiports/CompositeService.h"

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    app::MessageBoxes boxes;
    app::ErrorDisplay errors(boxes);
    application.SetErrorDisplay(&errors);

    // The splash is drawn before the rest is made.
    app::TfmAbout about;
    about.ShowSplash();
    QCoreApplication::processEvents();

    const std::filesystem::path programDir =
        QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
    auto midi = midiports::MakeSystemService();

    app::TMainServices services;
    services.Midi = midi.get();
    services.Boxes = &boxes;
    services.Errors = &errors;
    services.ProgramDir = programDir;
    services.SettingsFile = app::SettingsFilePath(programDir);
    services.Arguments = QCoreApplication::arguments().mid(1);

    app::TEditorWindows windows(services, about);
    windows.fmTamboro->show();
    const int result = application.exec();
    application.SetErrorDisplay(nullptr);
    return result;
}
