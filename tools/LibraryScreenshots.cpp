// Saves pictures of the library window, filled from the virtual module, of a kit's versions
// and of two versions in the compare window, for a person to look at:
//   library_screenshots <folder> [--font-points N]      (QT_SCALE_FACTOR=2 for scale 2)

#include <QAction>
#include <QCompleter>
#include <QTest>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QDir>
#include <QFont>
#include <QPixmap>
#include <QTableView>

#include <cstdio>
#include <cstring>

#include "editor/compare/CompareCommand.h"
#include "editor/compare/CompareWindow.h"
#include "editor/library/LibraryAccess.h"
#include "editor/library/LibraryModel.h"
#include "editor/library/LibraryWindow.h"
#include "editor/library/SearchTagCompleter.h"
#include "editor/shell/MainMenu.h"
#include "library/Items.h"
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

    // The tags offered after "tag:" in the search field.
    window.show();
    window.SearchField()->setFocus();
    QTest::keyClicks(window.SearchField(), "tag:");
    application.processEvents();
    if (QWidget* popup = window.SearchTags()->Completer()->popup(); popup->isVisible()) {
        const QString tags = folder + "/library-search-tags" + suffix + ".png";
        popup->grab().save(tags);
        std::printf("%s %dx%d\n", qPrintable(tags), popup->width(), popup->height());
    }
    window.SearchField()->clear();

    // Two other states of the first kit (another effect 1 type each), its versions, and the
    // two compared: neither is the current patch, so the upper one is loaded first.
    library::Bytes kit = lib.ItemBytes(kits[0].Id);
    const int slot = lib.Sources(kits[0].Id).front().Slot;
    for (int k = 0; k < 2; ++k) {
        kit[23] = static_cast<std::uint8_t>((kit[23] + 1) % 4);
        lib.Add(library::TKind::Kit, kit, "TD-7 (device ID 17) later", slot);
    }
    window.Model().Refresh();
    for (int row = 0; row < window.Model().rowCount(); ++row)
        if (window.Model().ItemAt(row)->Id == kits[0].Id) window.Table()->selectRow(row);
    bool saved = true;
    QTimer::singleShot(0, [&] {
        auto* dialog = window.findChild<QDialog*>();
        auto* versions = dialog != nullptr ? dialog->findChild<QListWidget*>() : nullptr;
        if (versions == nullptr) {
            saved = false;
            return;
        }
        versions->item(1)->setSelected(true);
        versions->item(2)->setSelected(true);
        application.processEvents();
        const QString shot = folder + "/library-versions" + suffix + ".png";
        saved = dialog->grab().save(shot);
        std::printf("%s %dx%d\n", qPrintable(shot), dialog->width(), dialog->height());
        editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
        dialog->findChild<QPushButton*>(QStringLiteral("btCompareTwo"))->click();
        dialog->accept();
    });
    for (auto* button : window.findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Versions...")) button->click();
    editor::TfmCompare* compare = editor.windows->Compare->Window();
    if (!saved || compare == nullptr) {
        std::fprintf(stderr, "the versions were not compared\n");
        return 1;
    }
    application.processEvents();
    const QString shot = folder + "/library-versions-compared" + suffix + ".png";
    std::printf("%s %dx%d\n", qPrintable(shot), compare->width(), compare->height());
    return compare->grab().save(shot) ? 0 : 1;
}
