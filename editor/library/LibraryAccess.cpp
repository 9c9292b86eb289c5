#include "editor/library/LibraryAccess.h"

#include "editor/shell/ErrorDisplay.h"
#include "editor/shell/Settings.h"
#include "library/LibraryPath.h"

namespace editor {

TLibraryAccess::TLibraryAccess(std::filesystem::path settingsFile, ErrorDisplay& errors,
                               QWidget* owner)
    : m_settingsFile(std::move(settingsFile)), m_errors(errors), m_owner(owner) {}

TLibraryAccess::~TLibraryAccess() = default;

void TLibraryAccess::ReadSettings() {
    if (m_settingsRead) return;
    m_settingsRead = true;
    const TSettings settings = LoadSettings(m_settingsFile);
    m_file = library::LibraryFilePath(m_settingsFile);
    m_history = settings.LibraryHistory;
}

std::filesystem::path TLibraryAccess::File() {
    ReadSettings();
    return m_file;
}

library::TLibrary* TLibraryAccess::Get() {
    if (m_library) return m_library.get();
    if (m_failed) return nullptr;
    ReadSettings();
    m_errors.RunCommand(
        [&] {
            try {
                m_library = std::make_unique<library::TLibrary>(m_file);
            } catch (...) {
                // Said once: every later use goes on quietly without the library.
                m_failed = true;
                throw;
            }
        },
        m_owner);
    return m_library.get();
}

void TLibraryAccess::Remember(const std::function<void(library::TLibrary&)>& add) {
    ReadSettings();
    if (!m_history) return;
    library::TLibrary* lib = Get();
    if (lib == nullptr) return;
    m_errors.RunCommand([&] { add(*lib); }, m_owner);
}

void TLibraryAccess::RememberRequest(td7::TTd7Collections& dumps, const td7::TPresentFlags& present,
                                     const library::TMirrorParts& parts, int deviceId) {
    Remember([&](library::TLibrary& lib) {
        lib.AddAll(library::TakeFromMirror(dumps, present, parts),
                   library::ModuleOrigin(deviceId, lib.Today()));
    });
}

void TLibraryAccess::RememberSetup(const std::filesystem::path& file) {
    Remember([&](library::TLibrary& lib) {
        const std::filesystem::path files[] = {file};
        lib.Import(files);
    });
}

}  // namespace editor
