#include "td7/files/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace td7 {

namespace fs = std::filesystem;

namespace {

std::string ErrorText(const char* what, const fs::path& path, int error) {
    return std::string(what) + " \"" + path.string() + "\". " + std::strerror(error);
}

class PosixFileSink : public TFileSink {
  public:
    PosixFileSink(int fd, fs::path shownName) : m_fd(fd), m_shownName(std::move(shownName)) {}
    ~PosixFileSink() override {
        if (m_fd >= 0) ::close(m_fd);
    }
    PosixFileSink(const PosixFileSink&) = delete;
    PosixFileSink& operator=(const PosixFileSink&) = delete;

    void Write(const std::uint8_t* data, std::size_t size) override {
        while (size > 0) {
            const ssize_t written = ::write(m_fd, data, size);
            if (written < 0) {
                if (errno == EINTR) continue;
                throw FileError(CannotWriteText(m_shownName, errno));
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
    }

    void Finish() override {
        // A full disk may only show when the data is flushed; the rename must not happen
        // before the new contents are safely stored.
        if (::fsync(m_fd) != 0) throw FileError(CannotWriteText(m_shownName, errno));
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) throw FileError(CannotWriteText(m_shownName, errno));
    }

  private:
    int m_fd;
    fs::path m_shownName;
};

// Removes the temporary file unless the save went through.
class TempFileGuard {
  public:
    explicit TempFileGuard(fs::path path) : m_path(std::move(path)) {}
    ~TempFileGuard() {
        if (!m_path.empty()) {
            std::error_code ignored;
            fs::remove(m_path, ignored);
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() { m_path.clear(); }

  private:
    fs::path m_path;
};

// Saving through a symbolic link replaces the file it points at, not the link.
fs::path ResolveTarget(const fs::path& target) {
    std::error_code error;
    if (!fs::is_symlink(target, error)) return target;
    fs::path resolved = fs::weakly_canonical(target, error);
    return error ? target : resolved;
}

fs::path TempPathBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string name = "." + target.filename().string() + ".~" + std::to_string(::getpid()) +
                             "-" + std::to_string(stamp) + "-" + std::to_string(counter++);
    return target.parent_path() / name;
}

}  // namespace

bool HasExtension(const fs::path& path, std::string_view extension) {
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != extension.size()) return false;
    return std::equal(extension.begin(), extension.end(), name.begin() + static_cast<std::ptrdiff_t>(dot),
                      [](char wanted, char c) {
                          return wanted == std::tolower(static_cast<unsigned char>(c));
                      });
}

std::string CannotOpenText(const fs::path& path, int error) {
    return ErrorText("Cannot open file", path, error);
}

std::string CannotCreateText(const fs::path& path, int error) {
    return ErrorText("Cannot create file", path, error);
}

std::string CannotWriteText(const fs::path& path, int error) {
    return ErrorText("Cannot write file", path, error);
}

std::unique_ptr<TFileSink> OpenFileSink(const fs::path& path, const fs::path& shownName) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) throw FileError(CannotCreateText(shownName, errno));
    return std::make_unique<PosixFileSink>(fd, shownName);
}

void ReplaceFile(const fs::path& target, std::span<const std::uint8_t> bytes,
                 const SinkFactory& openSink) {
    const fs::path real = ResolveTarget(target);
    const fs::path temp = TempPathBeside(real);

    std::unique_ptr<TFileSink> sink = openSink(temp, target);
    TempFileGuard guard(temp);
    sink->Write(bytes.data(), bytes.size());
    sink->Finish();
    sink.reset();

    std::error_code error;
    const fs::file_status old = fs::status(real, error);
    if (!error && fs::exists(old)) {
        fs::permissions(temp, old.permissions(), fs::perm_options::replace, error);
    }
    if (::rename(temp.c_str(), real.c_str()) != 0) throw FileError(CannotCreateText(target, errno));
    guard.Release();
}

void CheckWritable(const fs::path& target, const SinkFactory& openSink) {
    // The temporary file could be made beside a folder, but a folder is not replaced.
    std::error_code error;
    if (fs::is_directory(ResolveTarget(target), error))
        throw FileError(CannotCreateText(target, EISDIR));
    const fs::path temp = TempPathBeside(ResolveTarget(target));
    std::unique_ptr<TFileSink> sink = openSink(temp, target);
    TempFileGuard guard(temp);
}

std::optional<std::vector<std::uint8_t>> ReadFileUpTo(const fs::path& path, std::size_t limit) {
    // Without O_NONBLOCK a FIFO would wait for a writer; it is refused below instead.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw FileError(CannotOpenText(path, errno));
    struct stat status {};
    const int statError = ::fstat(fd, &status) != 0 ? errno : 0;
    if (statError != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        if (statError != 0) throw FileError(CannotOpenText(path, statError));
        if (S_ISDIR(status.st_mode)) throw FileError(CannotOpenText(path, EISDIR));
        throw FileError("Cannot open file \"" + path.string() + "\". Not a regular file");
    }

    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[16384];
    int failure = 0;
    bool tooLarge = false;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            failure = errno;
            break;
        }
        if (got == 0) break;
        if (bytes.size() + static_cast<std::size_t>(got) > limit) {
            tooLarge = true;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    ::close(fd);
    if (failure != 0) throw FileError(CannotOpenText(path, failure));
    if (tooLarge) return std::nullopt;
    return bytes;
}

}  // namespace td7
