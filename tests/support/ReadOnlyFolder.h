#pragma once

// A folder in which nobody can create files while this lives: its write permission is
// taken away, and the immutable flag set, which stops even root where the file system and
// the user may set it. Blocked() says whether it worked.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>

namespace testsupport {

class TReadOnlyFolder {
  public:
    explicit TReadOnlyFolder(const std::filesystem::path& folder) : m_folder(folder) {
        std::filesystem::permissions(
            folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        m_immutable = SetImmutable(true);
    }
    ~TReadOnlyFolder() {
        if (m_immutable) SetImmutable(false);
        std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all);
    }
    TReadOnlyFolder(const TReadOnlyFolder&) = delete;
    TReadOnlyFolder& operator=(const TReadOnlyFolder&) = delete;

    // Tries: a file that can be created is removed again.
    bool Blocked() const {
        const std::filesystem::path probe = m_folder / "probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0) return true;
        ::close(fd);
        std::filesystem::remove(probe);
        return false;
    }

  private:
    bool SetImmutable(bool on) const {
        const int fd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (fd >= 0) ::close(fd);
        return done;
    }

    std::filesystem::path m_folder;
    bool m_immutable = false;
};

}  // namespace testsupport
