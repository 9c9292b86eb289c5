// Saves pictures of the empty-patch dialog and of the file dialog for a person to look at:
//   files_screenshots <folder>

#include <QDir>
#include <QFileDialog>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <string>

#include "editor/patch/QueryEmptyWindow.h"
#include "editor/files/FileDialogs.h"
#include "tests/editor/ShellHarness.h"

namespace {

bool Save(QWidget& widget, const QString& file) {
    QApplication::processEvents();
    if (!widget.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(file), widget.width(), widget.height());
    return true;
}

// The toolkit's own file dialog, as the editor opens it, on a folder of kits.
bool SaveFileDialog(const QString& folder) {
    QTemporaryDir kits;
    for (const auto& [name, size] : {std::pair{"Rock Kit.syx", 1575}, {"Jazz brushes.td7", 66871},
                                     {"All instruments.syx", 16896}, {"System.syx", 34}})
        std::ofstream(QDir(kits.path()).filePath(name).toStdString())
            << std::string(static_cast<std::size_t>(size), 'x');
    QFileDialog dialog(nullptr, QStringLiteral("Load TD7 Setup..."), kits.path(),
                       QStringLiteral("TD7 Data (*.td7);;Dump Files (*.syx);;All (*)"));
    dialog.selectNameFilter(QStringLiteral("All (*)"));
    dialog.setViewMode(QFileDialog::Detail);
    editor::FitFileColumns(dialog);
    dialog.show();
    QTest::qWait(300);
    return Save(dialog, folder + "/filedialog.png");
}

}  // namespace

int main(int argc, char** argv) {
    shelltest::TestApplication();
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(folder);

    shelltest::Editor editor("screenshots");
    editor.Start();
    editor::TfmQueryEmpty& dialog = *editor.windows->fmQueryEmpty;
    dialog.show();
    const bool query = Save(dialog, folder + "/queryempty.png");
    dialog.hide();
    return query && SaveFileDialog(folder) ? 0 : 1;
}
