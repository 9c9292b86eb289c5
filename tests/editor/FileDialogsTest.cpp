// The file dialog shows its columns whole.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include <QDateTime>
#include <QDir>
#include <QFont>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QStyleOptionViewItem>
#include <QAbstractItemDelegate>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "editor/files/FileDialogs.h"
#include "tests/editor/ShellHarness.h"

namespace {

// A 65 KiB file's size, its type and its date need their whole text, not "65....KiB",
// also beside a long name in a small dialog with a large font.
TEST(FileDialogColumns, SizeTypeAndDateShowWhole) {
    shelltest::TestApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::ofstream(QDir(dir.path()).filePath("Rock kit from the Saturday session, second take.syx").toStdString())
        << std::string(65 * 1024 + 300, 'x');
    QFileDialog dialog(nullptr, "Open", dir.path(), "TD7 Data (*.syx)");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(300, 320);
    QFont large = dialog.font();
    large.setPixelSize(22);
    dialog.setFont(large);
    editor::FitFileColumns(dialog);
    dialog.show();
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return view->model()->rowCount(view->rootIndex()) == 1;
    }));
    QTest::qWait(50);
    const QModelIndex row = view->model()->index(0, 0, view->rootIndex());
    for (int column = 1; column < 4; ++column) {
        const QModelIndex cell = row.siblingAtColumn(column);
        const QString text = cell.data().toString();
        ASSERT_FALSE(text.isEmpty()) << column;
        QStyleOptionViewItem option;
        option.initFrom(view);
        option.font = view->font();
        const int needed = view->itemDelegate()->sizeHint(option, cell).width();
        EXPECT_GE(view->header()->sectionSize(column), needed) << text.toStdString();
    }
}

}  // namespace
