#pragma once

// The editor's way to the kit library. The file is opened at its first use, never at
// start, so the start costs the same with an empty library as with a huge one. A library
// that cannot be opened (damaged, locked, newer, on a read-only disk) is said once ("The
// library could not be opened: ...") and the editor goes on without it. A library that fails
// SQLite's check at open offers the newest good automatic backup; once open, the day's
// automatic backup is made when the library changed.

#include <filesystem>
#include <memory>
#include <string>

#include "library/Library.h"
#include "library/Mirror.h"

class QWidget;

namespace td7 {
class TTd7Collections;
class TPresentFlags;
}  // namespace td7

namespace editor {

class ErrorDisplay;

class TLibraryAccess {
  public:
    // Reads the [Library] settings from the settings file at first use.
    TLibraryAccess(std::filesystem::path settingsFile, ErrorDisplay& errors, QWidget* owner);
    ~TLibraryAccess();
    TLibraryAccess(const TLibraryAccess&) = delete;
    TLibraryAccess& operator=(const TLibraryAccess&) = delete;

    // The library, opened now if need be; nullptr when it cannot be (told the first time).
    library::TLibrary* Get();
    // The file the settings name, or the default one beside the settings file.
    std::filesystem::path File();

    // The automatic history: what a completed request brought, with the module as its
    // source, and a setup file that was loaded. Nothing when the history is switched off or
    // the library is not available; a failing write is shown, the command it follows stands.
    void RememberRequest(td7::TTd7Collections& dumps, const td7::TPresentFlags& present,
                         const library::TMirrorParts& parts, int deviceId);
    void RememberSetup(const std::filesystem::path& file);

  private:
    void ReadSettings();
    // Opens the library and checks it; a damaged one offers the newest good backup.
    void Open();
    // History on and the library at hand: `add` runs through the error display.
    void Remember(const std::function<void(library::TLibrary&)>& add);

    std::filesystem::path m_settingsFile;
    ErrorDisplay& m_errors;
    QWidget* m_owner;
    bool m_settingsRead = false;
    std::filesystem::path m_file;
    bool m_history = true;
    std::unique_ptr<library::TLibrary> m_library;
    bool m_failed = false;
};

}  // namespace editor
