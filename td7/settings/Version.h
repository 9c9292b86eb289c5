#pragma once

// Who the program is: its title, its help file and its version record. The build fills
// the version in from one place (the top-level build file).

#include <filesystem>
#include <string>

namespace td7 {

inline constexpr const char* kApplicationTitle = "Tamboro";
inline constexpr const char* kHelpFileName = "tamboro.hlp";

// Where an installed program's help file lies: bin/ is beside share/tamboro/.
std::filesystem::path InstalledHelpFile(const std::filesystem::path& programDir);

struct TVersionRecord {
    int ProductMajor;
    int ProductMinor;
    int FileBuild;
};

const TVersionRecord& ProgramVersion();
// Product major and minor joined by ".": "1.2".
std::string VersionNumber();
// "Version %s build %d" with the version number and the file build.
std::string VersionText();

}  // namespace td7
