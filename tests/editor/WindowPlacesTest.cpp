// The non-modal windows open beside the main window and then where they were left.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "td7/settings/IniFile.h"
#include "editor/common/WindowPlaces.h"
#include "tests/editor/ShellHarness.h"

namespace {

TEST(WindowPlaces, BesideTheMainWindowElseCentredOnItInsideTheScreen) {
    const QRect screen(0, 0, 1600, 900);
    // Room on the right: there, top edges level.
    EXPECT_EQ(editor::PlaceBeside({100, 50, 587, 402}, {600, 460}, screen),
              QRect(695, 50, 600, 460));
    // None on the right, some on the left.
    EXPECT_EQ(editor::PlaceBeside({900, 50, 587, 402}, {600, 460}, screen),
              QRect(292, 50, 600, 460));
    // None either side: centred on it, never above the screen's top.
    EXPECT_EQ(editor::PlaceBeside({0, 0, 800, 600}, {820, 520}, {0, 0, 1024, 768}),
              QRect(0, 40, 820, 520));
    // Larger than the screen (a large scale factor): as large as the screen, all on it.
    EXPECT_EQ(editor::PlaceBeside({0, 0, 640, 512}, {1500, 1200}, {0, 0, 640, 512}),
              QRect(0, 0, 640, 512));
}

TEST(WindowPlaces, FirstShownBesideTheMainWindowThenWhereItWasLeft) {
    shelltest::TestApplication();
    QTemporaryDir dir;
    const std::filesystem::path ini = dir.filePath("tamboro.ini").toStdString();
    QWidget main;
    main.setGeometry(10, 10, 300, 200);
    main.show();
    {
        editor::TWindowPlaces places(ini, main);
        QWidget library(&main, Qt::Window);
        library.resize(200, 150);
        places.Follow(library, "Library");
        library.show();
        EXPECT_EQ(library.geometry(), QRect(318, 10, 200, 150)) << "not over the menu bar";
        library.setGeometry(400, 300, 250, 180);
        library.hide();
        EXPECT_EQ(td7::IniFile::Load(ini).Value("Windows", "Library"), "400,300,250,180");
    }
    editor::TWindowPlaces places(ini, main);
    QWidget library(&main, Qt::Window);
    places.Follow(library, "Library");
    library.show();
    EXPECT_EQ(library.geometry(), QRect(400, 300, 250, 180));

    // Closing the main window keeps the place of a window still open.
    library.setGeometry(420, 310, 250, 180);
    main.close();
    EXPECT_EQ(editor::LoadWindowPlace(ini, "Library"), QRect(420, 310, 250, 180));

    // A kept place that no longer shows on the screen is not used, nor a damaged one.
    editor::SaveWindowPlace(ini, "Compare", {-5000, -5000, 200, 100});
    QWidget compare(&main, Qt::Window);
    compare.resize(200, 100);
    places.Follow(compare, "Compare");
    compare.show();
    EXPECT_TRUE(compare.screen()->availableGeometry().intersects(compare.geometry()));
    td7::IniFile damaged = td7::IniFile::Load(ini);
    damaged.WriteString("Windows", "Compare", "12,x,7");
    damaged.Save(ini);
    EXPECT_EQ(editor::LoadWindowPlace(ini, "Compare"), std::nullopt);
}

}  // namespace
