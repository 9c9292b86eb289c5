// Saves a picture of Patch > "Trigger Check..." while the built-in virtual TD-7 plays its
// pads with double triggers and crosstalk (patch 1 of its factory content, requested as the
// user would), and of the window's help page, for a person to look at and for the help:
//   trigger_screenshots <folder> [seconds]

#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTest>

#include <cstdio>

#include "bench/editor_harness.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "editor/shell/Help.h"
#include "editor/shell/MainMenu.h"
#include "editor/trigger/TriggerCheckWindow.h"
#include "simulator/VirtualTd7.h"

int main(int argc, char** argv) {
    editorbench::Editor editor("trigger-screenshots");
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 4;
    QDir().mkpath(folder);

    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    if (!editor.Click(editor::TCommand::RequestAll) || !editor.Errors().empty()) {
        std::fprintf(stderr, "Request All failed: %s\n", editor.Errors().c_str());
        return 1;
    }
    editor.windows->PatchEditor->lbPatch()->SelectSilently(0);
    editor.windows->PatchEditor->lbPatchClick();
    editor.Click(editor::TCommand::TriggerCheck);
    editor::TfmTriggerCheck& window = *editor.windows->fmTriggerCheck;

    // A kit in need of tuning: pads that fire twice and shake their neighbours.
    simulator::VirtualTd7::Config config;
    config.hitsPerSecond = 20;
    config.triggers.doubles = true;
    config.triggers.crosstalk = true;
    editor.midi.Module().Configure(config);
    QElapsedTimer playing;
    playing.start();
    while (playing.elapsed() < seconds * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    editor.midi.Module().SetHits(0);
    QCoreApplication::processEvents();

    const QString file = folder + "/trigger-check.png";
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s %dx%d, %zu notes\n", qPrintable(file), window.width(), window.height(),
                window.Check().Notes().size());

    // Its page of the help, with the picture the help shows.
    QTest::keyClick(&window, Qt::Key_F1);
    QCoreApplication::processEvents();
    auto* help = window.findChild<editor::THelpWindow*>();
    const QString page = folder + "/trigger-check-help.png";
    if (help == nullptr || !help->grab().save(page)) return 1;
    std::printf("%s\n", qPrintable(page));
    return 0;
}
