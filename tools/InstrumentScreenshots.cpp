// Pictures of the instrument editor and the system window with the virtual module's
// factory content, for a person to look at: instrument_screenshots <folder>.

#include <QCheckBox>
#include <QDir>
#include <QPixmap>

#include <iostream>

#include "controls/Colors.h"
#include "editor/instrument/InstrumentList.h"
#include "editor/instrument/InstrumentWindow.h"
#include "editor/instrument/PatchLookupSwitch.h"
#include "editor/system/SystemWindow.h"
#include "tests/editor/InstrumentHarness.h"

namespace {

bool Save(QWidget& window, const QString& file) {
    QCoreApplication::processEvents();
    if (window.grab().save(file)) return true;
    std::cerr << "cannot write " << file.toStdString() << "\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    insttest::Mirror mirror;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    simulator::Td7Module module;
    module.LoadFactory();
    mirror.LoadFromModule(module);

    editor::TInstrumentServices instrumentServices;
    instrumentServices.Dumps = &mirror.dumps;
    instrumentServices.Link = &mirror.link;
    instrumentServices.Present = &mirror.present;
    instrumentServices.Viewer = &mirror.viewer;
    editor::TfmInstrument instrument(instrumentServices);
    editor::TSystemServices systemServices;
    systemServices.Dumps = &mirror.dumps;
    systemServices.Link = &mirror.link;
    systemServices.Viewer = &mirror.viewer;
    editor::TfmSystem system(systemServices);

    bool ok = true;
    const QColor gray = controls::ToQColor(controls::clGray);
    const QColor black = controls::ToQColor(controls::clBlack);
    const QColor face = controls::ToQColor(controls::clBtnFace);

    instrument.SetColor(gray);
    instrument.lbInst()->SetItemIndex(0);
    instrument.show();
    ok &= Save(instrument, folder + "/inst-gray.png");
    instrument.hide();
    instrument.lbInst()->SetItemIndex(300);
    instrument.SetColor(black);
    instrument.show();
    ok &= Save(instrument, folder + "/inst-black-300.png");
    instrument.Lookup().cbLookupPatches()->click();
    instrument.SetColor(face);
    ok &= Save(instrument, folder + "/inst-silver-lookup-off.png");
    instrument.hide();

    system.SetColor(gray);
    system.show();
    ok &= Save(system, folder + "/system-gray.png");
    system.SetColor(black);
    ok &= Save(system, folder + "/system-black.png");
    system.hide();
    for (const std::string& error : mirror.errors) std::cerr << "error: " << error << "\n";
    return ok && mirror.errors.empty() ? 0 : 1;
}
