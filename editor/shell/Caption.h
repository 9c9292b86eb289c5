#pragma once

#include <string>

namespace editor {

// The main window's caption: the setup's file name part ("Untitled.td7" without a file),
// "*" while anything is modified, then " - ", the title, " V" and the version number.
std::string MainCaption(const std::string& setupFile, bool modified);

}  // namespace editor
