// The window icon is the installed SVG rendered at the desktop's sizes.

#include <gtest/gtest.h>

#include <QImage>

#include "editor/shell/AppIcon.h"
#include "tests/editor/ShellHarness.h"

namespace {

TEST(DesktopIcon, ShowsTheInstalledPictureAtEverySize) {
    shelltest::TestApplication();
    const QIcon icon = editor::ApplicationIcon();
    ASSERT_FALSE(icon.isNull()) << "the SVG resource is missing or unreadable";
    EXPECT_EQ(icon.availableSizes().size(), 7);

    // Points of the SVG's 128-unit grid: a corner outside the module, the display, the
    // first pad (lit) and the last one.
    const QImage image = icon.pixmap(128).toImage();
    ASSERT_EQ(image.size(), QSize(128, 128));
    EXPECT_EQ(image.pixelColor(2, 2).alpha(), 0);
    EXPECT_EQ(image.pixelColor(22, 40), QColor(0x7f, 0xd3, 0xc4));
    EXPECT_EQ(image.pixelColor(29, 79), QColor(0xd9, 0xd9, 0x00));
    EXPECT_EQ(image.pixelColor(104, 79), QColor(0x5a, 0x5f, 0x6a));
}

}  // namespace
