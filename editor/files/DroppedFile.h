#pragma once

// What a file dropped on the main window is: a setup by its extension, a dump file by its
// size, as the menu command that loads that kind of file would take it.

#include <cstdint>
#include <filesystem>

namespace editor {

enum class TDroppedFile {
    None,         // neither ".td7" nor ".syx": the window does not take it
    Setup,        // ".td7"
    Patch,        // ".syx" of 1575 bytes
    Instruments,  // ".syx" of 16896 bytes
    System,       // ".syx" of 34 bytes
    WrongSize     // ".syx" of any other size (refused with td7::DumpSizeError)
};

// Extensions in any case, as the file commands compare them.
TDroppedFile KindOfDroppedFile(const std::filesystem::path& path, std::uintmax_t size);

}  // namespace editor
