// Saves pictures of Patch > "Compare With...": the chooser, the library's kit list and the
// compare window with patch 1 against patch 2 of the virtual module's factory content, for
// a person to look at:
//   compare_screenshots <folder>

#include <QAction>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "editor/compare/CompareChooser.h"
#include "editor/compare/CompareCommand.h"
#include "editor/compare/CompareWindow.h"
#include "editor/library/KitPicker.h"
#include "editor/library/LibraryAccess.h"
#include "editor/shell/MainMenu.h"
#include "tests/editor/ShellHarness.h"

namespace {

bool Save(QWidget& window, const QString& file) {
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(file), window.width(), window.height());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication& application = shelltest::TestApplication();
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(folder);

    shelltest::Editor editor("compare-screenshots");
    editor.StartWithFactoryMemory();
    application.processEvents();

    // An empty slot, to see how the chooser shows it.
    editor.Main().Present().SetPatchPresent(4, false);

    // The chooser is modal: it is pictured from inside its own loop, then cancelled.
    bool saved = true;
    QTimer::singleShot(0, [&] {
        editor::TfmCompareWith& chooser = *editor.windows->Compare->Chooser();
        application.processEvents();
        saved = Save(chooser, folder + "/compare-with.png");
        chooser.reject();
    });
    editor.Main().Menu().Action(editor::TCommand::CompareWith)->trigger();

    // The kits of the library, which the request above filled.
    QTimer::singleShot(0, [&] {
        auto* picker = editor.windows->fmTamboro->findChild<editor::TfmKitPicker*>();
        application.processEvents();
        saved = saved && picker != nullptr && Save(*picker, folder + "/compare-kit.png");
        if (picker != nullptr) picker->reject();
    });
    {
        editor::TfmKitPicker picker(*editor.windows->Library->Get(), editor.Main().Errors(),
                                 &editor.Main());
        picker.Pick();
    }

    editor.windows->Compare->Open({.Slot = 1, .Image = {}, .Name = {}});
    editor::TfmCompare& window = *editor.windows->Compare->Window();
    application.processEvents();
    return saved && Save(window, folder + "/compare.png") ? 0 : 1;
}
