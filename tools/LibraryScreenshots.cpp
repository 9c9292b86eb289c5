// Saves a picture of the library window, filled from the virtual module, for a person to
// look at:
//   library_screenshots <folder> [--font-points N]      (QT_SCALE_FACTOR=2 for scale 2)

#include <QAction>
#include <QDir>
#include <QFont>
#include <QPixmap>
#include <QTableView>

#include <cstdio>
#include <cstring>

#include "editor/library/LibraryAccess.h"
#include "editor/library/LibraryModel.h"
#include "editor/library/LibraryWindow.h"
#include "editor/shell/MainMenu.h"
#include "tests/editor/ShellHarness.h"

int main(int argc, char** argv) {
    QApplication& application = shelltest::TestApplication();
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QString suffix;
    for (int k = 2; k + 1 < argc; ++k)
        if (std::strcmp(argv[k], "--font-points") == 0) {
            QFont font = QApplication::font();
            font.setPointSize(std::atoi(argv[k + 1]));
            QApplication::setFont(font);
            suffix = QStringLiteral("-%1pt").arg(argv[k + 1]);
        }
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        suffix += QStringLiteral("-x") + qEnvironmentVariable("QT_SCALE_FACTOR");
    QDir().mkpath(folder);

    shelltest::Editor editor("library-screenshots");
    editor.StartWithFactoryMemory();
    library::TLibrary& lib = *editor.windows->Library->Get();
    const auto kits = lib.Find({.Kind = library::TKind::Kit});
    for (std::size_t k = 0; k < kits.size() && k < 6; ++k) {
        lib.SetFavourite(kits[k].Id, k % 2 == 0);
        const library::ItemId id[] = {kits[k].Id};
        lib.SetTagsAndNote(id, k < 3 ? "funk dry" : "rock live", {});
    }
    const std::vector<library::ItemId> bank = {kits[0].Id, kits[3].Id, kits[5].Id};
    lib.CreateList("Sunday gig", bank);

    editor.Main().Menu().Action(editor::TCommand::Library)->trigger();
    editor::TfmLibrary& window = *editor.windows->fmLibrary;
    window.RefreshLists();
    window.Model().Refresh();
    window.Table()->selectRow(1);
    application.processEvents();
    const QString file = folder + "/library" + suffix + ".png";
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s %dx%d\n", qPrintable(file), window.width(), window.height());
    return 0;
}
