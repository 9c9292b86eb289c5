#pragma once

// Which file is the kit library: the editor and tamboro-cli ask the same settings file, so
// that both always use one library.

#include <filesystem>

namespace library {

inline constexpr const char* kLibraryFileName = "library.sqlite3";

// [Library] LibraryFile of the settings file (a relative name counts from the settings
// file's folder); without it, library.sqlite3 beside the settings file.
std::filesystem::path LibraryFilePath(const std::filesystem::path& settingsFile);

}  // namespace library
