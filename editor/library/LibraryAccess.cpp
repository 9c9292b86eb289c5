#include "editor/library/LibraryAccess.h"

#include "editor/common/ErrorDisplay.h"
#include "editor/shell/Settings.h"
#include "editor/common/MessageBoxes.h"
#include "library/Backup.h"
#include "library/LibraryPath.h"

namespace editor {

namespace {

// " (30 kits, 1 instrument set, 0 system blocks, 2 lists)" of a sound library file.
QString Holds(const std::filesystem::path& file) {
    try {
        library::TLibrary::TOptions options;
        options.Create = false;
        options.ReadOnly = true;
        library::TLibrary lib(file, options);
        return QStringLiteral(" (%1)").arg(
            QString::fromStdString(library::InfoSummary(lib.Info())));
    } catch (const library::LibraryError&) {
        return {};
    }
}

}  // namespace

TLibraryAccess::TLibraryAccess(std::filesystem::path settingsFile, ErrorDisplay& errors,
                               QWidget* owner)
    : m_settingsFile(std::move(settingsFile)), m_errors(errors), m_owner(owner) {}

TLibraryAccess::~TLibraryAccess() {
    // What the session changed goes into the day's backup. At exit there is no window left
    // to say that it failed; the next start tries again.
    if (!m_library) return;
    try {
        library::AutoBackup(*m_library, library::AutoBackupSettings(m_settingsFile));
    } catch (const std::exception&) {
    }
}

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
                Open();
            } catch (...) {
                // Said once: every later use goes on quietly without the library.
                m_library.reset();
                m_failed = true;
                throw;
            }
            // The day's automatic backup, when the library changed since the last one; a
            // failing backup is said, the library is still used.
            library::AutoBackup(*m_library, library::AutoBackupSettings(m_settingsFile));
        },
        m_owner);
    return m_library.get();
}

void TLibraryAccess::Open() {
    std::string fault;
    try {
        m_library = std::make_unique<library::TLibrary>(m_file);
        const std::string check = m_library->IntegrityCheck();
        if (check == "ok") return;
        m_library.reset();
        fault = library::kOpenErrorPrefix + m_file.string() + ": it fails its check (" + check +
                ")";
    } catch (const library::LibraryError& error) {
        // Only a damaged file is worth a backup; a locked or newer one is not.
        const std::string check = library::CheckFile(m_file);
        std::error_code missing;
        if (!std::filesystem::exists(m_file, missing) || check == "ok" ||
            check.find("locked") != std::string::npos)
            throw;
        fault = error.what();
    }
    // The newest good backup, and what could still be read from the damaged library: the
    // user chooses, knowing what each holds.
    const auto backup =
        library::NewestGoodBackup(m_file, library::AutoBackupSettings(m_settingsFile));
    const auto rescued = library::RescueDamaged(m_file);
    if (!backup && !rescued) throw library::LibraryError(fault);
    const QString text = QString::fromStdString(fault);
    const QString kept = QStringLiteral("The damaged library is kept beside it as %1.damaged.")
                             .arg(QString::fromStdString(m_file.filename().string()));
    const QString backupText =
        backup ? QStringLiteral("the newest good backup, %1%2")
                     .arg(QString::fromStdString(backup->string()), Holds(*backup))
               : QString();
    const QString rescuedText =
        rescued ? QStringLiteral("what could still be read from the damaged library, %1 (%2)")
                      .arg(QString::fromStdString(rescued->File.string()),
                           QString::fromStdString(library::InfoSummary(rescued->Info)))
                : QString();
    std::optional<std::filesystem::path> chosen;
    if (backup && rescued) {
        const TAnswer answer = m_errors.Boxes().ConfirmCancel(
            QStringLiteral("%1\n\nYes restores %2.\nNo uses %3.\nCancel goes on without the "
                           "library.\n\n%4")
                .arg(text, backupText, rescuedText, kept),
            m_owner);
        if (answer == TAnswer::Yes) chosen = *backup;
        if (answer == TAnswer::No) chosen = rescued->File;
    } else if (m_errors.Boxes().Confirm(
                   QStringLiteral("%1\n\n%2 %3? %4")
                       .arg(text, backup ? QStringLiteral("Restore") : QStringLiteral("Use"),
                            backup ? backupText : rescuedText, kept),
                   m_owner)) {
        chosen = backup ? *backup : rescued->File;
    }
    if (!chosen) throw library::LibraryError(fault);
    library::RestoreLibrary(m_file, *chosen);
    m_library = std::make_unique<library::TLibrary>(m_file);
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
