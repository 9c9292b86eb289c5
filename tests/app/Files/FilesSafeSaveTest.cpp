// A save that fails never costs the file it was to replace.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "app/DumpFiles.h"
#include "app/FileIo.h"
#include "app/SetupFile.h"
#include "tests/app/Files/FilesFixture.h"

namespace filestest {
namespace {

// Passes bytes on to a real file until `budget` is used up, then fails like a full disk.
class FailingSink : public app::TFileSink {
  public:
    FailingSink(std::unique_ptr<app::TFileSink> inner, std::size_t budget)
        : m_inner(std::move(inner)), m_budget(budget) {}
    void Write(const std::uint8_t* data, std::size_t size) override {
        const std::size_t now = std::min(size, m_budget);
        m_inner->Write(data, now);
        m_budget -= now;
        if (now < size) throw app::FileError("disk full");
    }
    void Finish() override { m_inner->Finish(); }

  private:
    std::unique_ptr<app::TFileSink> m_inner;
    std::size_t m_budget;
};

app::SinkFactory FailAfter(std::size_t budget) {
    return [budget](const fs::path& path, const fs::path& shown) {
        return std::make_unique<FailingSink>(app::OpenFileSink(path, shown), budget);
    };
}

// Makes a folder unwritable even for root where the file system allows it (immutable
// flag), else by its mode; undone when the test ends so the folder can be removed.
class LockedFolder {
  public:
    explicit LockedFolder(const fs::path& path) : m_path(path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            const int locked = flags | FS_IMMUTABLE_FL;
            m_immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &locked) == 0;
        }
        if (fd >= 0) ::close(fd);
        if (!m_immutable) fs::permissions(path, fs::perms::owner_read | fs::perms::owner_exec);
    }
    ~LockedFolder() {
        if (m_immutable) {
            const int fd = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0) ::close(fd);
        } else {
            fs::permissions(m_path, fs::perms::owner_all);
        }
    }
    LockedFolder(const LockedFolder&) = delete;
    LockedFolder& operator=(const LockedFolder&) = delete;

    // Whether creating a file there really fails (root ignores the mode).
    bool Works() const {
        const fs::path probe = m_path / "probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0) return true;
        ::close(fd);
        ::unlink(probe.c_str());
        return false;
    }

  private:
    fs::path m_path;
    bool m_immutable = false;
};

class SafeSaveTest : public FilesTest {
  protected:
    std::vector<std::string> FolderEntries() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(SafeSaveTest, SinkFailingAfterNBytesKeepsTheOldSetupAndName) {
    TagAll(1);
    present.SetPatchPresent(2, true);
    const fs::path file = dir / "kit.td7";
    const Bytes old = {'o', 'l', 'd'};
    WriteAll(file, old);

    for (std::size_t budget : {std::size_t{0}, std::size_t{10}, std::size_t{1618}}) {
        SCOPED_TRACE(budget);
        app::TSetupFile setup(dumps, present, FailAfter(budget));
        setup.SetFileName((dir / "before.td7").string());
        dumps.ProgDump.SetModified(true);
        try {
            setup.SaveSetupAs(file);
            ADD_FAILURE() << "save reported success";
        } catch (const app::FileError& e) {
            EXPECT_STREQ(e.what(), "disk full");
        }
        EXPECT_EQ(ReadAll(file), old);
        EXPECT_EQ(setup.FileName(), (dir / "before.td7").string());
        EXPECT_TRUE(setup.Modified());
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"kit.td7"});
    }

    // With room for every byte, the same sink lets the save through.
    app::TSetupFile setup(dumps, present, FailAfter(1619));
    setup.SaveSetupAs(file);
    EXPECT_EQ(ReadAll(file).size(), 1619u);
    EXPECT_EQ(setup.FileName(), file.string());
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"kit.td7"});
}

TEST_F(SafeSaveTest, DumpSavesFailingHalfwayKeepTheOldFile) {
    TagAll(1);
    const fs::path file = dir / "bank.syx";
    const Bytes old(300, 0x42);
    WriteAll(file, old);
    EXPECT_THROW(app::SavePatchFile(file, dumps, 0, FailAfter(1000)), app::FileError);
    EXPECT_THROW(app::SaveInstrumentFile(file, dumps, FailAfter(16895)), app::FileError);
    EXPECT_THROW(app::SaveSystemFile(file, dumps, FailAfter(0)), app::FileError);
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"bank.syx"});
}

TEST_F(SafeSaveTest, UnwritableFolderReportsAndKeepsTheOldFile) {
    const fs::path file = dir / "kit.td7";
    const Bytes old = {'k', 'e', 'e', 'p'};
    WriteAll(file, old);
    app::TSetupFile setup(dumps, present);
    {
        LockedFolder lock(dir);
        if (!lock.Works()) GTEST_SKIP() << "this user can write into any folder";
        try {
            setup.SaveTo(file);
            ADD_FAILURE() << "save reported success";
        } catch (const app::FileError& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.rfind("Cannot create file \"" + file.string() + "\". ", 0), 0u) << text;
        }
        EXPECT_TRUE(setup.FileName().empty());
    }
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"kit.td7"});
}

TEST_F(SafeSaveTest, ReplacingKeepsModeAndSavesThroughALink) {
    const fs::path real = dir / "real.syx";
    const fs::path alias = dir / "alias.syx";
    WriteAll(real, {1, 2, 3});
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real.filename(), alias);

    app::ReplaceFile(alias, Bytes{9, 8});
    EXPECT_TRUE(fs::is_symlink(alias));
    EXPECT_EQ(ReadAll(real), (Bytes{9, 8}));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    // A target whose folder does not exist: the file system's error, naming the target.
    const fs::path nowhere = dir / "no" / "such.syx";
    try {
        app::ReplaceFile(nowhere, Bytes{1});
        FAIL() << "created a file in a missing folder";
    } catch (const app::FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + nowhere.string() + "\". No such file or directory");
    }
}

}  // namespace
}  // namespace filestest
