#include "editor/shell/Caption.h"

#include <filesystem>

#include "td7/settings/Version.h"

namespace editor {

std::string MainCaption(const std::string& setupFile, bool modified) {
    std::string caption =
        setupFile.empty() ? "Untitled.td7" : std::filesystem::path(setupFile).filename().string();
    if (modified) caption += "*";
    return caption + " - " + td7::kApplicationTitle + " V" + td7::VersionNumber();
}

}  // namespace editor
