#include "td7/settings/SettingsPath.h"

#include <unistd.h>

#include <cstdlib>

#include "td7/settings/Version.h"

namespace td7 {

namespace {

bool IsWritableDir(const std::filesystem::path& dir) {
    std::error_code ec;
    return std::filesystem::is_directory(dir, ec) && ::access(dir.c_str(), W_OK) == 0;
}

// Installed under a prefix: the help file is in its place.
bool IsInstalled(const std::filesystem::path& programDir) {
    std::error_code ec;
    return std::filesystem::is_regular_file(InstalledHelpFile(programDir), ec);
}

}  // namespace

bool IsOwnProgramDir(const std::filesystem::path& programDir) {
    return IsWritableDir(programDir) && !IsInstalled(programDir);
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& programDir,
                                       const EnvironmentLookup& env) {
    if (IsOwnProgramDir(programDir)) return programDir / kSettingsFileName;
    const auto lookup = [&](const char* name) -> const char* {
        return env ? env(name) : std::getenv(name);
    };
    std::filesystem::path config;
    if (const char* xdg = lookup("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0')
        config = xdg;
    else if (const char* home = lookup("HOME"); home != nullptr && *home != '\0')
        config = std::filesystem::path(home) / ".config";
    else
        config = std::filesystem::temp_directory_path();
    return config / "tamboro" / kSettingsFileName;
}

}  // namespace td7
