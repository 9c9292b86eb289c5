#include "td7/audition/GrooveFolders.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>

#include "td7/settings/Version.h"

namespace td7 {

namespace {

// A groove file is a page of text; anything much larger is not one.
constexpr std::uintmax_t kMaxGrooveFileSize = 64 * 1024;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::filesystem::path BuiltInGrooveFolder(const std::filesystem::path& programDir) {
    const std::filesystem::path beside = programDir / kGrooveFolderName;
    const std::filesystem::path installed =
        InstalledHelpFile(programDir).parent_path() / kGrooveFolderName;
    std::error_code error;
    if (std::filesystem::is_directory(beside, error)) return beside;
    return installed;
}

std::filesystem::path UserGrooveFolder(const std::filesystem::path& programDir,
                                       const EnvironmentLookup& env) {
    return SettingsFilePath(programDir, env).parent_path() / kGrooveFolderName;
}

TGroove LoadGroove(const std::filesystem::path& file) {
    const std::string source = file.string();
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) throw GrooveError(source + ": cannot be read");
    if (size > kMaxGrooveFileSize) throw GrooveError(source + ": too large for a groove");
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) throw GrooveError(source + ": cannot be read");
    return ParseGroove(text, source, file.stem().string());
}

TGrooveList LoadGrooves(const std::vector<std::filesystem::path>& folders) {
    TGrooveList list;
    for (const std::filesystem::path& folder : folders) {
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) continue;
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error))
            if (entry.path().extension() == kGrooveExtension) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const std::filesystem::path& file : files) {
            try {
                TGroove groove = LoadGroove(file);
                std::erase_if(list.Grooves, [&](const TGroove& g) { return g.Id == groove.Id; });
                list.Grooves.push_back(std::move(groove));
            } catch (const GrooveError& e) {
                list.Faults.emplace_back(e.what());
            }
        }
    }
    std::sort(list.Grooves.begin(), list.Grooves.end(),
              [](const TGroove& a, const TGroove& b) { return a.Id < b.Id; });
    return list;
}

const TGroove& FindGroove(const TGrooveList& list, const std::string& name) {
    const std::string wanted = Lower(name);
    for (const TGroove& groove : list.Grooves)
        if (Lower(groove.Id) == wanted || Lower(groove.Name) == wanted) return groove;
    std::string names;
    for (const TGroove& groove : list.Grooves) names += (names.empty() ? "" : ", ") + groove.Id;
    throw GrooveError("No groove \"" + name + "\"" +
                      (names.empty() ? std::string(": no grooves found") : "; there are " + names));
}

}  // namespace td7
