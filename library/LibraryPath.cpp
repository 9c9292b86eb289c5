#include "library/LibraryPath.h"

#include "td7/settings/IniFile.h"

namespace library {

std::filesystem::path LibraryFilePath(const std::filesystem::path& settingsFile) {
    const std::filesystem::path named =
        td7::IniFile::Load(settingsFile).ReadString("Library", "LibraryFile", {});
    return settingsFile.parent_path() / (named.empty() ? kLibraryFileName : named);
}

}  // namespace library
