#pragma once

// Whole-file reading and safe replacement of files. A save writes a temporary file beside
// the target and renames it into place, so a failing save leaves the old file as it was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace td7 {

// A file that cannot be read or written, or whose contents are not what its kind holds.
class FileError : public std::runtime_error {
  public:
    explicit FileError(const std::string& text) : std::runtime_error(text) {}
};

// Where the bytes of a file being saved go. Write and Finish raise FileError on failure;
// Finish makes sure the bytes have reached the disk.
class TFileSink {
  public:
    virtual ~TFileSink() = default;
    virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
    virtual void Finish() = 0;
};

// Opens a sink on a new file at `path` (which must not exist yet). `shownName` is the
// name the error texts give, the file the user asked for.
using SinkFactory = std::function<std::unique_ptr<TFileSink>(
    const std::filesystem::path& path, const std::filesystem::path& shownName)>;

std::unique_ptr<TFileSink> OpenFileSink(const std::filesystem::path& path,
                                        const std::filesystem::path& shownName);

// Writes `bytes` as the new contents of `target`, creating or replacing it. On failure the
// temporary file is removed, `target` is untouched, and FileError tells why. An existing
// target keeps its permissions; a symbolic link keeps pointing at the replaced file.
void ReplaceFile(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                 const SinkFactory& openSink = OpenFileSink);

// Whether ReplaceFile could create its temporary file beside `target`: FileError with the
// text the save would give, before the work that produces the contents begins.
void CheckWritable(const std::filesystem::path& target, const SinkFactory& openSink = OpenFileSink);

// The whole file, or nothing when it holds more than `limit` bytes (so a huge file is not
// read only to be refused). FileError when it cannot be opened or read, or is no regular
// file (a FIFO, a device).
std::optional<std::vector<std::uint8_t>> ReadFileUpTo(const std::filesystem::path& path,
                                                      std::size_t limit);

// Whether the file name ends in `extension` (".td7"), in any case; the text from the
// name's last dot on counts, so that a name like ".td7" does too.
bool HasExtension(const std::filesystem::path& path, std::string_view extension);

// "Cannot open file "<path>". <reason>" and its kin: the texts of the file system's errors.
std::string CannotOpenText(const std::filesystem::path& path, int error);
std::string CannotCreateText(const std::filesystem::path& path, int error);
std::string CannotWriteText(const std::filesystem::path& path, int error);

}  // namespace td7
