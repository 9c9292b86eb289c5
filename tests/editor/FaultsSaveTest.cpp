// A setup saved through the window where the disk refuses it: the file it was to replace
// stays as it was, nothing is left beside it, and the window keeps its name and caption.

#include <sys/resource.h>

#include <csignal>

#include "tests/editor/FileCommandsFixture.h"
#include "tests/support/ReadOnlyFolder.h"

namespace filesgui {
namespace {

using editor::TAnswer;

// Files of this process may not grow beyond `bytes` while it lives: a write past that
// fails with EFBIG half-way, as on a disk that fills up (which needs privileges to make).
// The signal that would end the process is ignored meanwhile.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_set = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Set() const { return m_set; }

  private:
    void (*m_handler)(int);
    rlimit m_old{};
    bool m_set = false;
};

class SaveFaults : public FileCommandsTest {
  protected:
    // A setup saved as kits/old.td7, then changed by filling another slot.
    void SetUp() override {
        Start();
        Initialize(0);
        fs::create_directories(folder);
        Dialogs().SetNextFile(QString::fromStdString(old.string()));
        Run(TCommand::SaveSetup);
        ASSERT_TRUE(Errors().empty());
        oldBytes = ReadBytes(old);
        Initialize(9);
        ASSERT_EQ(Caption(), "old.td7* - Tamboro V1.2");
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }
    // Save Setup to each name while `fault` holds: the error starts with `errorStart`
    // followed by the name, and nothing about the setup or the folder changes.
    void ExpectSavesRefused(const std::string& errorStart) {
        for (const fs::path& target : {old, folder / "new.td7"}) {
            SCOPED_TRACE(target.string());
            editor.boxes.ClearShown();
            Dialogs().SetNextFile(QString::fromStdString(target.string()));
            Run(TCommand::SaveSetup);
            ASSERT_EQ(Errors().size(), 1u);
            EXPECT_EQ(Errors()[0].toStdString().rfind(errorStart + " \"" + target.string(), 0), 0u)
                << Errors()[0].toStdString();
            EXPECT_EQ(ReadBytes(old), oldBytes);
            EXPECT_EQ(FolderEntries(), std::vector<std::string>{"old.td7"});
            EXPECT_EQ(Main().SetupFileName(), old.string());
            EXPECT_EQ(Caption(), "old.td7* - Tamboro V1.2");
            EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass stayed";
        }
        // Closing asks to save; that save fails the same way and the window stays open.
        editor.boxes.ClearShown();
        editor.boxes.SetNextAnswer(TAnswer::Yes);
        EXPECT_FALSE(Main().close());
        EXPECT_EQ(Errors().size(), 1u);
        EXPECT_TRUE(Main().isVisible());
        EXPECT_EQ(ReadBytes(old), oldBytes);
    }
    // With the fault gone, the same command saves the changed setup.
    void ExpectSaveWorksAgain() {
        editor.boxes.ClearShown();
        Dialogs().SetNextFile(QString::fromStdString(old.string()));
        Run(TCommand::SaveSetup);
        EXPECT_TRUE(Errors().empty());
        EXPECT_EQ(ReadBytes(old).size(), 10u + 32u + 2u * 1575u + 2u);
        EXPECT_EQ(Caption(), "old.td7 - Tamboro V1.2");
    }

    const fs::path folder = editor.dir / "kits";
    const fs::path old = folder / "old.td7";
    Bytes oldBytes;
};

TEST_F(SaveFaults, ADiskThatFillsUpHalfWayKeepsTheOldSetup) {
    {
        // Room for less than the new file (3,194 bytes), more than the old one.
        FileSizeLimit full(2000);
        ASSERT_TRUE(full.Set());
        ExpectSavesRefused("Cannot write file");
        EXPECT_EQ(Errors()[0].toStdString(),
                  "Cannot write file \"" + old.string() + "\". File too large");
    }
    ExpectSaveWorksAgain();
}

TEST_F(SaveFaults, AReadOnlyFolderKeepsTheOldSetup) {
    {
        testsupport::TReadOnlyFolder locked(folder);
        if (!locked.Blocked()) GTEST_SKIP() << "this system lets the test write anywhere";
        ExpectSavesRefused("Cannot create file");
    }
    ExpectSaveWorksAgain();
}

}  // namespace
}  // namespace filesgui
