// Saves pictures of the editor's shell windows for a person to look at:
//   shell_screenshots <folder>
// Uses the built-in virtual TD-7 so that the device lists look as a user sees them.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <filesystem>

#include "editor/shell/AboutWindow.h"
#include "editor/devices/DevicesWindow.h"
#include "editor/shell/EditorWindows.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/shell/MainWindow.h"
#include "editor/common/MessageBoxes.h"
#include "editor/transfers/ProgressWindow.h"
#include "editor/shell/StatusLine.h"
#include "editor/transfers/ViewSysexWindow.h"
#include "midiports/CompositeService.h"
#include "td7/map/Td7Collections.h"
#include "td7/session/VirtualTd7Service.h"
#include "tests/support/FakeMidiService.h"

namespace {

void Save(QWidget& widget, const QString& folder, const QString& name) {
    const QString file = folder + "/" + name + ".png";
    if (!widget.grab().save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    std::printf("%s %dx%d\n", qPrintable(file), widget.width(), widget.height());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(folder);

    auto midi = std::make_unique<midiports::CompositeService>(
        std::make_unique<testsupport::FakeMidiService>(
            std::vector<std::string>{"USB MIDI Interface"},
            std::vector<std::string>{"USB MIDI Interface", "Synth Port"}, "Tamboro"),
        std::make_unique<td7::VirtualTd7Service>());
    editor::MessageBoxes boxes;
    boxes.SetHeadless(true);
    editor::ErrorDisplay errors(boxes);
    const std::filesystem::path dir = QDir::tempPath().toStdString() + "/tamboro-shots";
    std::filesystem::create_directories(dir);
    std::filesystem::copy(TAMBORO_GROOVES_DIR, dir / "grooves",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    editor::TMainServices services;
    services.Midi = midi.get();
    services.Boxes = &boxes;
    services.Errors = &errors;
    services.ProgramDir = dir;
    services.SettingsFile = dir / "tamboro.ini";

    editor::TfmAbout about;
    editor::TEditorWindows windows(services, about);
    auto& main = *windows.fmTamboro;
    main.show();
    main.Status().SetText(QStringLiteral("2496 dumps recieved..."));
    main.Status().SetInputActive(true);
    main.Dumps().ProgDump.WriteByte(11, 'R');
    Save(main, folder, "main");
    for (QAction* action : main.menuBar()->actions()) {
        QMenu* menu = action->menu();
        menu->adjustSize();
        Save(*menu, folder, "menu-" + menu->objectName());
        for (QAction* entry : menu->actions())
            if (entry->menu() != nullptr && entry->menu()->actions().size() < 10) {
                entry->menu()->adjustSize();
                Save(*entry->menu(), folder, "menu-" + entry->menu()->objectName());
            }
    }
    main.SetBackground(0);
    Save(main, folder, "main-black");

    auto& devices = *windows.fmDevices;
    devices.SetInputChoice(2);
    devices.SetOutputChoice(4);
    devices.SetColor(main.BackgroundColor());
    devices.show();
    Save(devices, folder, "devices");
    devices.coOutput()->showPopup();
    if (QWidget* popup = devices.coOutput()->view()->window())
        Save(*popup, folder, "devices-outputs");
    devices.coOutput()->hidePopup();
    devices.hide();

    auto& progress = *windows.fmProgress;
    progress.Start(78);
    for (int i = 0; i < 100; ++i) progress.Step();
    Save(progress, folder, "progress");
    progress.BeginPhase(td7::TTransferPhase::Verify, 2496);
    for (int i = 0; i < 1234; ++i) progress.Step();
    Save(progress, folder, "progress-verify");
    progress.Start(2496);
    for (int i = 0; i < 700; ++i) progress.Step();
    progress.FastCounts(712, 640, 14);
    Save(progress, folder, "progress-fast");

    about.show();
    Save(about, folder, "about");

    auto& viewer = *windows.fmViewSysex;
    std::vector<std::string> lines;
    main.Dumps().ProgDump.Records(0).ToStrings(lines, 16);
    viewer.SetLines(lines);
    viewer.show();
    Save(viewer, folder, "viewer");
    return 0;
}
