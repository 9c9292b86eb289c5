#include "library/Backup.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <sqlite3.h>

#include "library/Library.h"
#include "library/Sqlite.h"
#include "td7/settings/IniFile.h"

namespace library {

namespace fs = std::filesystem;

namespace {

// Copies every page of `from` into `to` in one step, so the copy is one moment of the
// source; waits while another program holds a lock it needs.
void CopyPages(sqlite3* to, sqlite3* from) {
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (backup == nullptr) throw SqliteError(sqlite3_errmsg(to), sqlite3_errcode(to));
    int code = SQLITE_OK;
    for (int tries = 0; tries < 500; ++tries) {
        code = sqlite3_backup_step(backup, -1);
        if (code != SQLITE_BUSY && code != SQLITE_LOCKED) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    sqlite3_backup_finish(backup);
    if (code != SQLITE_DONE) throw SqliteError(sqlite3_errstr(code), code);
}

void SyncFile(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void RemoveWithJournals(const fs::path& file) {
    std::error_code error;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(file.string() + suffix, error);
}

// "library-2026-12-07.sqlite3" for the library "library.sqlite3".
bool IsAutoBackupOf(const fs::path& file, const fs::path& libraryFile) {
    const std::string name = file.filename().string();
    const std::string stem = libraryFile.stem().string() + "-";
    const std::string ext = libraryFile.extension().string();
    return name.size() == stem.size() + 10 + ext.size() && name.starts_with(stem) &&
           name.ends_with(ext);
}

std::int64_t ChangesOf(const fs::path& file) {
    try {
        TDatabase db(file.string(), false, true);
        auto statement = db.Prepare("SELECT count FROM changes");
        return statement.Step() ? statement.Int(0) : -1;
    } catch (const SqliteError&) {
        return -1;
    }
}

bool Running(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

}  // namespace

void RemoveStaleCopies(const fs::path& file, const std::string& marker) {
    const std::string prefix = file.filename().string();
    std::error_code error;
    std::vector<fs::path> stale;
    for (const auto& entry :
         fs::directory_iterator(file.parent_path().empty() ? "." : file.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        const auto at = name.rfind(marker);
        if (!name.starts_with(prefix) || at == std::string::npos || at < prefix.size()) continue;
        std::size_t end = at + marker.size();
        long pid = 0;
        while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end])) &&
               pid < 1L << 40)
            pid = pid * 10 + (name[end++] - '0');
        const std::string rest = name.substr(end);
        if (end == at + marker.size() ||
            (!rest.empty() && rest != "-wal" && rest != "-shm" && rest != "-journal"))
            continue;
        if (!Running(pid)) stale.push_back(entry.path());
    }
    for (const auto& path : stale) fs::remove(path, error);
}

void TLibrary::Backup(const fs::path& target) {
    const fs::path temp = target.string() + ".part-" + std::to_string(::getpid());
    RemoveWithJournals(temp);
    RemoveStaleCopies(target, ".part-");
    try {
        {
            TDatabase copy(temp.string(), true);
            CopyPages(copy.Handle(), m_db->Handle());
            // The copy stands alone as one file.
            copy.Execute("PRAGMA journal_mode = DELETE");
        }
        SyncFile(temp);
        if (::rename(temp.c_str(), target.c_str()) != 0)
            throw SqliteError(std::string("cannot rename the copy onto it (") +
                                  std::strerror(errno) + ")",
                              SQLITE_CANTOPEN);
    } catch (const SqliteError& error) {
        RemoveWithJournals(temp);
        throw LibraryError("The backup " + target.string() +
                           " could not be written: " + error.Reason());
    }
}

void TLibrary::RestoreFrom(const fs::path& backup) {
    const std::string refused = "The backup " + backup.string() + " was not restored: ";
    std::error_code error;
    if (!fs::is_regular_file(backup, error)) throw LibraryError(refused + "no such file");
    const std::string check = CheckFile(backup);
    if (check != "ok") throw LibraryError(refused + "it is damaged (" + check + ")");
    // A copy is brought up to this schema, so the backup itself is never changed.
    const fs::path temp = m_file.string() + ".restore-" + std::to_string(::getpid());
    RemoveWithJournals(temp);
    try {
        fs::copy_file(backup, temp, fs::copy_options::overwrite_existing);
        TOptions options;
        options.Create = false;
        TLibrary source(temp, options);
        CopyPages(m_db->Handle(), source.m_db->Handle());
    } catch (const LibraryError& failure) {
        RemoveWithJournals(temp);
        const std::string text = failure.what();
        const std::string prefix = kOpenErrorPrefix + temp.string() + ": ";
        throw LibraryError(refused +
                           (text.starts_with(prefix) ? text.substr(prefix.size()) : text));
    } catch (const SqliteError& failure) {
        RemoveWithJournals(temp);
        throw LibraryError(refused + failure.Reason());
    } catch (const fs::filesystem_error& failure) {
        RemoveWithJournals(temp);
        throw LibraryError(refused + failure.code().message());
    }
    RemoveWithJournals(temp);
}

void RestoreLibrary(const fs::path& libraryFile, const fs::path& backup) {
    std::error_code error;
    // Only an import makes a library: a mistyped name must not leave an empty one behind.
    TLibrary::TOptions options;
    options.Create = false;
    if (fs::exists(libraryFile, error) && CheckFile(libraryFile) != "ok") {
        const std::string check = CheckFile(backup);
        if (check != "ok")
            throw LibraryError("The backup " + backup.string() +
                               " was not restored: it is damaged (" + check + ")");
        for (const char* suffix : {"", "-wal", "-shm"})
            fs::rename(libraryFile.string() + suffix, libraryFile.string() + suffix + ".damaged",
                       error);
        options.Create = true;
    }
    TLibrary lib(libraryFile, options);
    lib.RestoreFrom(backup);
}

std::optional<TRescue> RescueDamaged(const fs::path& libraryFile) {
    std::error_code error;
    const std::string check = CheckFile(libraryFile);
    if (!fs::exists(libraryFile, error) || check == "ok" || check == "not a Tamboro library" ||
        check.find("locked") != std::string::npos)
        return std::nullopt;
    try {
        auto rescue = TLibrary::Rescue(libraryFile, libraryFile.string() + ".rescued");
        const auto& info = rescue.Info;
        if (info.Kits + info.Instruments + info.Systems + info.Lists > 0) return rescue;
        RemoveWithJournals(rescue.File);
    } catch (const LibraryError&) {
        // Nothing to offer; the library's own fault is what is said.
    }
    return std::nullopt;
}

std::string CheckFile(const fs::path& file) {
    try {
        TDatabase db(file.string(), false, true);
        auto owner = db.Prepare("PRAGMA application_id");
        owner.Step();
        if (owner.Int(0) != kApplicationId) return "not a Tamboro library";
        auto statement = db.Prepare("PRAGMA quick_check");
        std::string result;
        while (statement.Step()) result += (result.empty() ? "" : "; ") + statement.Text(0);
        return result;
    } catch (const SqliteError& error) {
        return error.Reason();
    }
}

TAutoBackup AutoBackupSettings(const fs::path& settingsFile) {
    const auto ini = td7::IniFile::Load(settingsFile);
    TAutoBackup settings;
    settings.Enabled = ini.ReadBool("Library", "AutoBackup", true);
    settings.Kept = std::max(1, ini.ReadInteger("Library", "BackupsKept", 7));
    const fs::path folder = ini.ReadString("Library", "BackupFolder", {});
    if (!folder.empty()) settings.Folder = settingsFile.parent_path() / folder;
    return settings;
}

fs::path BackupFolder(const fs::path& libraryFile, const TAutoBackup& settings) {
    if (!settings.Folder.empty()) return settings.Folder;
    return libraryFile.parent_path() / (libraryFile.stem().string() + "-backups");
}

std::vector<fs::path> AutoBackups(const fs::path& libraryFile, const TAutoBackup& settings) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(BackupFolder(libraryFile, settings), error))
        if (IsAutoBackupOf(entry.path(), libraryFile)) files.push_back(entry.path());
    // The date in the name sorts them.
    std::sort(files.begin(), files.end(), std::greater<>());
    return files;
}

std::optional<fs::path> AutoBackup(TLibrary& lib, const TAutoBackup& settings) {
    if (!settings.Enabled) return std::nullopt;
    const fs::path folder = BackupFolder(lib.File(), settings);
    const fs::path today = folder / (lib.File().stem().string() + "-" + lib.Today() +
                                     lib.File().extension().string());
    const auto existing = AutoBackups(lib.File(), settings);
    std::error_code error;
    // A library never changed holds nothing to keep; one unchanged since its newest backup
    // is in it. Today's backup is written again when the library changed since: what the
    // day brought is kept, not the library as it was opened in the morning.
    const std::int64_t changes = lib.ChangeCount();
    if (changes == 0) return std::nullopt;
    if (!existing.empty() && ChangesOf(existing.front()) == changes) return std::nullopt;
    fs::create_directories(folder, error);
    // The parts of other days' backups killed part-way.
    RemoveStaleCopies(folder / (lib.File().stem().string() + "-"), ".part-");
    lib.Backup(today);
    auto all = AutoBackups(lib.File(), settings);
    for (std::size_t k = static_cast<std::size_t>(settings.Kept); k < all.size(); ++k)
        RemoveWithJournals(all[k]);
    return today;
}

std::optional<fs::path> NewestGoodBackup(const fs::path& libraryFile, const TAutoBackup& settings) {
    for (const auto& file : AutoBackups(libraryFile, settings))
        if (CheckFile(file) == "ok") return file;
    return std::nullopt;
}

}  // namespace library
