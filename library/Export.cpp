#include "library/Library.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "library/Sqlite.h"

namespace library {

namespace fs = std::filesystem;

namespace {

// A name that every file system takes: no slashes, no control characters, no leading dot,
// no blanks at either end.
std::string FileSafe(const std::string& text) {
    std::string name;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        name.push_back(u < 0x20 || u == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' ||
                               c == '?' || c == '"' || c == '<' || c == '>' || c == '|'
                           ? '_'
                           : c);
    }
    const auto first = name.find_first_not_of(" .");
    const auto last = name.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
}

// "gig" for "/home/x/gig.td7", "TD-7" for the module.
std::string SourceName(const std::vector<TSource>& sources) {
    if (sources.empty()) return {};
    const std::string& origin = sources.front().Origin;
    if (origin.starts_with("TD-7 ")) return "TD-7";
    return fs::path(origin).stem().string();
}

// Writes a new file; false when the name is taken.
bool WriteNew(const fs::path& file, const Bytes& bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        throw LibraryError("Cannot create " + file.string() + " (" + std::strerror(errno) + ")");
    }
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    const int error = errno;
    ::close(fd);
    if (written != static_cast<ssize_t>(bytes.size())) {
        ::unlink(file.c_str());
        throw LibraryError("Cannot write " + file.string() + " (" + std::strerror(error) + ")");
    }
    return true;
}

}  // namespace

TExportReport TLibrary::ExportItems(std::span<const ItemId> ids, const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error))
        throw LibraryError("Cannot make the folder " + folder.string());
    TExportReport report;
    std::set<std::string> taken;
    for (ItemId id : ids) {
        const auto item = Item(id);
        if (!item) continue;
        std::string base = FileSafe(item->Name);
        const std::string source = FileSafe(SourceName(Sources(id)));
        if (base.empty()) base = std::string(KindName(item->Kind));
        if (!source.empty()) base += " - " + source;
        // Names differ in case only on some file systems: compare them folded.
        for (int n = 1;; ++n) {
            const std::string name = n == 1 ? base : base + " (" + std::to_string(n) + ")";
            std::string folded = name;
            for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (taken.count(folded) > 0) continue;
            const fs::path file = folder / (name + ".syx");
            if (!WriteNew(file, ItemBytes(id))) continue;
            taken.insert(folded);
            report.Files.push_back(file);
            ++report.Written;
            break;
        }
    }
    return report;
}

}  // namespace library
