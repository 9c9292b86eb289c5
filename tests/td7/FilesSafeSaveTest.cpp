// A save that fails never costs the file it was to replace.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "td7/files/DumpFiles.h"
#include "td7/files/FileIo.h"
#include "td7/files/SetupFile.h"
#include "tests/td7/FilesFixture.h"

namespace filestest {
namespace {

// Passes bytes on to a real file until `budget` is used up, then fails like a full disk.
class FailingSink : public td7::TFileSink {
  public:
    FailingSink(std::unique_ptr<td7::TFileSink> inner, std::size_t budget)
        : m_inner(std::move(inner)), m_budget(budget) {}
    void Write(const std::uint8_t* data, std::size_t size) override {
        const std::size_t now = std::min(size, m_budget);
        m_inner->Write(data, now);
        m_budget -= now;
        if (now < size) throw td7::FileError("disk full");
    }
    void Finish() override { m_inner->Finish(); }

  private:
    std::unique_ptr<td7::TFileSink> m_inner;
    std::size_t m_budget;
};

td7::SinkFactory FailAfter(std::size_t budget) {
    return [budget](const fs::path& path, const fs::path& shown) {
        return std::make_unique<FailingSink>(td7::OpenFileSink(path, shown), budget);
    };
}

// Sets or clears the immutable flag of a folder, which stops even root from creating
// files in it. False where the file system or the user cannot.
bool SetImmutable(const fs::path& folder, bool on) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) ::close(fd);
    return done;
}

class SafeSaveTest : public FilesTest {
  protected:
    std::vector<std::string> FolderEntries() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(SafeSaveTest, SinkFailingAfterNBytesKeepsTheOldFileAndName) {
    TagAll(1);
    present.SetPatchPresent(2, true);
    const fs::path file = dir / "kit.td7";
    const Bytes old = {'o', 'l', 'd'};
    WriteAll(file, old);

    for (std::size_t budget : {std::size_t{0}, std::size_t{10}, std::size_t{1618}}) {
        SCOPED_TRACE(budget);
        td7::TSetupFile setup(dumps, present, FailAfter(budget));
        setup.SetFileName((dir / "before.td7").string());
        dumps.ProgDump.SetModified(true);
        try {
            setup.SaveSetupAs(file);
            ADD_FAILURE() << "save reported success";
        } catch (const td7::FileError& e) {
            EXPECT_STREQ(e.what(), "disk full");
        }
        EXPECT_EQ(setup.FileName(), (dir / "before.td7").string());
        EXPECT_TRUE(setup.Modified());
    }
    EXPECT_THROW(td7::SavePatchFile(file, dumps, 0, FailAfter(1000)), td7::FileError);
    EXPECT_THROW(td7::SaveInstrumentFile(file, dumps, FailAfter(16895)), td7::FileError);
    EXPECT_THROW(td7::SaveSystemFile(file, dumps, FailAfter(0)), td7::FileError);
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"kit.td7"});

    // With room for every byte, the same sink lets the save through.
    td7::TSetupFile setup(dumps, present, FailAfter(1619));
    setup.SaveSetupAs(file);
    EXPECT_EQ(ReadAll(file).size(), 1619u);
    EXPECT_EQ(setup.FileName(), file.string());
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"kit.td7"});
}

TEST_F(SafeSaveTest, UnwritableFolderReportsAndKeepsTheOldFile) {
    const fs::path file = dir / "kit.td7";
    const Bytes old = {'k', 'e', 'e', 'p'};
    WriteAll(file, old);
    if (!SetImmutable(dir, true))
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    td7::TSetupFile setup(dumps, present);
    bool refused = false;
    try {
        setup.SaveTo(file);
    } catch (const td7::FileError& e) {
        refused = true;
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + file.string() + "\". ", 0),
                  0u)
            << e.what();
    }
    SetImmutable(dir, false);
    fs::permissions(dir, fs::perms::owner_all);
    if (!refused) GTEST_SKIP() << "this user can write into any folder";
    EXPECT_TRUE(setup.FileName().empty());
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"kit.td7"});
}

TEST_F(SafeSaveTest, ReplacingKeepsTheModeAndSavesThroughALink) {
    const fs::path real = dir / "real.syx";
    WriteAll(real, {1, 2, 3});
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real.filename(), dir / "alias.syx");

    td7::ReplaceFile(dir / "alias.syx", Bytes{9, 8});
    EXPECT_TRUE(fs::is_symlink(dir / "alias.syx"));
    EXPECT_EQ(ReadAll(real), (Bytes{9, 8}));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace filestest
