#include "td7/settings/Version.h"

#include <cstdio>

#ifndef TAMBORO_VERSION_MAJOR
#error "the build defines the version record"
#endif

namespace td7 {

std::filesystem::path InstalledHelpFile(const std::filesystem::path& programDir) {
    return programDir / ".." / "share" / "tamboro" / kHelpFileName;
}

const TVersionRecord& ProgramVersion() {
    static const TVersionRecord record{TAMBORO_VERSION_MAJOR, TAMBORO_VERSION_MINOR,
                                       TAMBORO_BUILD_NUMBER};
    return record;
}

std::string VersionNumber() {
    const auto& v = ProgramVersion();
    return std::to_string(v.ProductMajor) + "." + std::to_string(v.ProductMinor);
}

std::string VersionText() {
    char text[64];
    std::snprintf(text, sizeof text, "Version %s build %d", VersionNumber().c_str(),
                  ProgramVersion().FileBuild);
    return text;
}

}  // namespace td7
