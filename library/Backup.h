#pragma once

// Backups of the library beside it: a rotating automatic copy once a day when the library
// changed, and the newest sound copy to offer when the library fails its check at open.

#include <filesystem>
#include <optional>
#include <vector>

#include "library/Library.h"

namespace library {

struct TAutoBackup {
    bool Enabled = true;
    int Kept = 7;
    std::filesystem::path Folder;  // empty: "<library name>-backups" beside the library
};

// [Library] AutoBackup (on by default), BackupsKept (7) and BackupFolder (relative to the
// settings file's folder) of the settings file.
TAutoBackup AutoBackupSettings(const std::filesystem::path& settingsFile);

// Where the automatic backups of `libraryFile` go.
std::filesystem::path BackupFolder(const std::filesystem::path& libraryFile,
                                   const TAutoBackup& settings);

// Today's automatic backup (written again if there is one of today), when the library changed
// since the newest one and ever held anything; then all but the newest `Kept` automatic
// backups are removed. Returns the file written, if any. The editor calls it when it opens
// the library and when it closes.
std::optional<std::filesystem::path> AutoBackup(TLibrary& lib, const TAutoBackup& settings);

// The automatic backups of the library, newest first.
std::vector<std::filesystem::path> AutoBackups(const std::filesystem::path& libraryFile,
                                               const TAutoBackup& settings);

// The newest automatic backup that passes SQLite's check and is Tamboro's.
std::optional<std::filesystem::path> NewestGoodBackup(const std::filesystem::path& libraryFile,
                                                      const TAutoBackup& settings);

// Restores `backup` onto the library at `libraryFile`, also one that no longer opens
// (damaged): that one is kept beside as "<file>.damaged" and the backup takes its place.
// LibraryError when the backup is not sound, or when there is no library at `libraryFile`
// (only an import makes one); the library is then left as it was.
void RestoreLibrary(const std::filesystem::path& libraryFile, const std::filesystem::path& backup);

// What can still be read from a damaged library, beside it as "<file>.rescued"; nothing for
// a library that is sound (locked, newer, another program's), or one of which nothing could
// be read.
std::optional<TRescue> RescueDamaged(const std::filesystem::path& libraryFile);

// Whether the file at `file` opens and passes SQLite's quick check ("ok"), or what is wrong.
std::string CheckFile(const std::filesystem::path& file);

}  // namespace library
