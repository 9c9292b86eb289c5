// Saves a picture of the empty-patch dialog for a person to look at:
//   files_screenshots <folder>

#include <QDir>
#include <QPixmap>

#include <cstdio>

#include "editor/patch/QueryEmptyWindow.h"
#include "tests/editor/ShellHarness.h"

int main(int argc, char** argv) {
    QApplication& application = shelltest::TestApplication();
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(folder);

    shelltest::Editor editor("screenshots");
    editor.Start();
    editor::TfmQueryEmpty& dialog = *editor.windows->fmQueryEmpty;
    dialog.show();
    application.processEvents();
    const QString file = folder + "/queryempty.png";
    if (!dialog.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s %dx%d\n", qPrintable(file), dialog.width(), dialog.height());
    dialog.hide();
    return 0;
}
