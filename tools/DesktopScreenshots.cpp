// Pictures of every window of the editor for a person to look at, at the scale and with
// the font a user has chosen:
//   desktop_screenshots <folder> <prefix> [--font-points N]
// QT_SCALE_FACTOR scales everything; --font-points stands in for a larger system font.

#include <QApplication>
#include <QDir>
#include <QFont>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "editor/shell/AboutWindow.h"
#include "editor/shell/AppIcon.h"
#include "editor/devices/DevicesWindow.h"
#include "editor/shell/EditorWindows.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/shell/Help.h"
#include "editor/instrument/InstrumentWindow.h"
#include "editor/library/LibraryWindow.h"
#include "editor/shell/MainWindow.h"
#include "editor/common/MessageBoxes.h"
#include "editor/patch/PatchEditor.h"
#include "editor/transfers/ProgressWindow.h"
#include "editor/patch/QueryEmptyWindow.h"
#include "editor/system/SystemWindow.h"
#include "editor/transfers/ViewSysexWindow.h"
#include "td7/map/Td7Collections.h"
#include "tests/support/FakeMidiService.h"

namespace {

void Save(QWidget& widget, const QString& folder, const QString& prefix, const QString& name) {
    QApplication::processEvents();
    const QString file = folder + "/" + prefix + "-" + name + ".png";
    if (!widget.grab().save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    std::printf("%s %dx%d\n", qPrintable(file), widget.width(), widget.height());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    const QString prefix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("shot");
    if (argc > 4 && std::string(argv[3]) == "--font-points") {
        QFont font = QApplication::font();
        font.setPointSize(std::atoi(argv[4]));
        QApplication::setFont(font);
    }
    QDir().mkpath(folder);

    testsupport::FakeMidiService midi({"USB MIDI Interface"}, {"USB MIDI Interface", "Synth"},
                                      "Tamboro");
    editor::MessageBoxes boxes;
    boxes.SetHeadless(true);
    editor::ErrorDisplay errors(boxes);
    const std::filesystem::path dir = QDir::tempPath().toStdString() + "/tamboro-desktop-shots";
    std::filesystem::create_directories(dir);
    editor::TMainServices services;
    services.Midi = &midi;
    services.Boxes = &boxes;
    services.Errors = &errors;
    services.ProgramDir = dir;
    services.SettingsFile = dir / "tamboro.ini";

    editor::TfmAbout about;
    editor::TEditorWindows windows(services, about);
    auto& main = *windows.fmTamboro;
    main.show();
    Save(main, folder, prefix, "main");

    auto& devices = *windows.fmDevices;
    devices.SetInputChoice(1);
    devices.SetOutputChoice(2);
    devices.SetColor(main.BackgroundColor());
    devices.show();
    Save(devices, folder, prefix, "devices");
    // The labels must read on the other two backgrounds as well.
    devices.SetColor(Qt::black);
    Save(devices, folder, prefix, "devices-black");
    devices.SetColor(QApplication::palette().color(QPalette::Button));
    Save(devices, folder, prefix, "devices-silver");
    devices.hide();

    auto& progress = *windows.fmProgress;
    progress.Start(78);
    for (int i = 0; i < 40; ++i) progress.Step();
    Save(progress, folder, prefix, "progress");
    progress.hide();

    about.show();
    Save(about, folder, prefix, "about");
    about.hide();

    auto& viewer = *windows.fmViewSysex;
    std::vector<std::string> lines;
    main.Dumps().ProgDump.Records(0).ToStrings(lines, 16);
    viewer.SetLines(lines);
    viewer.show();
    Save(viewer, folder, prefix, "viewer");
    viewer.hide();

    windows.fmInstrument->show();
    Save(*windows.fmInstrument, folder, prefix, "instrument");
    windows.fmInstrument->hide();
    windows.fmSystem->show();
    Save(*windows.fmSystem, folder, prefix, "system");
    windows.fmSystem->hide();
    windows.fmQueryEmpty->show();
    Save(*windows.fmQueryEmpty, folder, prefix, "queryempty");
    windows.fmQueryEmpty->hide();
    windows.ShowLibrary();
    if (windows.fmLibrary) {
        Save(*windows.fmLibrary, folder, prefix, "library");
        windows.fmLibrary->hide();
    }
    auto& help = windows.PatchEditor->Help();
    help.ShowContents();
    Save(help, folder, prefix, "help");
    help.hide();

    const QString icon = folder + "/" + prefix + "-icon.png";
    if (!editor::ApplicationIcon().pixmap(128).save(icon))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(icon));
    return 0;
}
