// The help file of a program run from its build folder and of an installed one.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include <filesystem>
#include <fstream>
#include <string>

#include "editor/shell/Help.h"

namespace {

namespace fs = std::filesystem;

class DesktopHelpFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = fs::temp_directory_path() / (std::string("tamboro-help-") + info->name());
        fs::remove_all(root);
        bin = root / "bin";
        share = root / "share" / "tamboro";
        fs::create_directories(bin);
        fs::create_directories(share);
    }
    void TearDown() override { fs::remove_all(root); }

    static void Write(const fs::path& file, const std::string& text) {
        std::ofstream(file) << text;
    }
    QString TextFor(const fs::path& dir) const {
        return editor::HelpFileText(QFile::decodeName(dir.c_str()));
    }

    fs::path root;
    fs::path bin;
    fs::path share;
};

TEST_F(DesktopHelpFile, BesideTheProgramFirstThenTheInstalledOneThenTheBuiltInOne) {
    const QString builtIn = editor::HelpFileText();
    ASSERT_FALSE(builtIn.isEmpty());
    EXPECT_EQ(TextFor(bin), builtIn);

    Write(share / td7::kHelpFileName, "<p>installed</p>");
    EXPECT_EQ(TextFor(bin), "<p>installed</p>");

    Write(bin / td7::kHelpFileName, "<p>beside</p>");
    EXPECT_EQ(TextFor(bin), "<p>beside</p>");

    // An empty copy counts as none.
    Write(bin / td7::kHelpFileName, "");
    EXPECT_EQ(TextFor(bin), "<p>installed</p>");
}

// The help's pictures are compiled into the program, whichever copy of the text is read.
TEST_F(DesktopHelpFile, EveryPictureOfTheHelpLoads) {
    const QString text = editor::HelpFileText();
    int pictures = 0;
    for (qsizetype at = text.indexOf("<img src=\""); at >= 0;
         at = text.indexOf("<img src=\"", at + 1)) {
        const qsizetype start = at + 10;
        const QString source = text.mid(start, text.indexOf('"', start) - start);
        EXPECT_FALSE(QImage(source).isNull()) << source.toStdString();
        ++pictures;
    }
    EXPECT_GE(pictures, 1);
}

}  // namespace
