#include "library/Library.h"

#include <algorithm>
#include <ctime>

#include <unistd.h>

#include <sqlite3.h>

#include "library/CaseFold.h"
#include "library/ItemRow.h"
#include "library/PreparedStatements.h"
#include "library/Sqlite.h"

namespace library {

namespace fs = std::filesystem;

namespace {

std::string FormatTime(std::chrono::system_clock::time_point when, const char* format) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

}  // namespace

std::vector<std::string> SplitTags(const std::string& tags) {
    std::vector<std::string> split;
    std::string tag;
    for (char c : tags + " ") {
        if (c == ' ' || c == ',' || c == '\t') {
            if (!tag.empty()) split.push_back(tag);
            tag.clear();
        } else {
            tag.push_back(c);
        }
    }
    return split;
}

namespace {

bool SameTag(const std::string& a, const std::string& b) {
    return FoldCase(a) == FoldCase(b);
}

std::string JoinTags(const std::vector<std::string>& tags) {
    std::string joined;
    for (const auto& tag : tags) joined += (joined.empty() ? "" : ", ") + tag;
    return joined;
}

}  // namespace

std::string WithTags(const std::string& tags, std::span<const std::string> added) {
    auto all = SplitTags(tags);
    for (const auto& text : added)
        for (const auto& tag : SplitTags(text))
            if (std::none_of(all.begin(), all.end(),
                             [&](const std::string& t) { return SameTag(t, tag); }))
                all.push_back(tag);
    return JoinTags(all);
}

std::string WithoutTags(const std::string& tags, std::span<const std::string> removed) {
    std::vector<std::string> gone;
    for (const auto& text : removed)
        for (const auto& tag : SplitTags(text)) gone.push_back(tag);
    std::vector<std::string> kept;
    for (const auto& tag : SplitTags(tags))
        if (std::none_of(gone.begin(), gone.end(),
                         [&](const std::string& t) { return SameTag(t, tag); }))
            kept.push_back(tag);
    return JoinTags(kept);
}

TLibrary::TLibrary(const fs::path& file) : TLibrary(file, TOptions{}) {}

TLibrary::TLibrary(const fs::path& file, TOptions options)
    : m_file(file), m_options(std::move(options)) {
    try {
        std::error_code error;
        if (!fs::exists(file, error)) {
            if (!m_options.Create)
                throw SqliteError("no such file (an import makes a new library)", SQLITE_CANTOPEN);
            // On a new account the configuration folder is not there yet.
            if (file.has_parent_path() && !fs::is_directory(file.parent_path(), error) &&
                !fs::create_directories(file.parent_path(), error))
                throw SqliteError("the folder " + file.parent_path().string() +
                                      " cannot be made (" + error.message() + ")",
                                  SQLITE_CANTOPEN);
        }
        if (m_options.ReadOnly) {
            OpenReadOnly();
            return;
        }
        m_db = std::make_unique<TDatabase>(file.string(), m_options.Create);
        sqlite3_busy_timeout(m_db->Handle(), static_cast<int>(m_options.BusyTimeout.count()));
        if (sqlite3_db_readonly(m_db->Handle(), "main") == 1)
            throw SqliteError("attempt to write a readonly database", SQLITE_READONLY);
        RemoveStaleCopies(file, ".restore-");
        // Reading the header is the first touch of the file: a file that is no database,
        // or one another program holds locked, fails here. Nothing is written before the
        // file is known as a library or a new one.
        Migrate();
        m_db->Execute("PRAGMA foreign_keys = ON");
        m_db->Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL");
        // Searches visit items all over the file: read it through the page cache of the
        // system (mapped) and keep more pages than SQLite's 2 MB default.
        m_db->Execute("PRAGMA mmap_size = 268435456; PRAGMA cache_size = -16000");
        m_sql = std::make_unique<TStatements>(*m_db);
    } catch (const SqliteError& error) {
        m_sql.reset();
        m_db.reset();
        throw LibraryError(kOpenErrorPrefix + file.string() + ": " + error.Reason());
    }
}

void TLibrary::OpenReadOnly() {
    // SQLite keeps the index of the write-ahead log in a file beside the library; where none
    // can be made, the file is read as it lies (nobody can write it there either).
    std::error_code error;
    const bool index = fs::exists(m_file.string() + "-shm", error) ||
                       ::access(m_file.parent_path().empty() ? "." : m_file.parent_path().c_str(),
                                W_OK) == 0;
    m_db = std::make_unique<TDatabase>(m_file.string(), false, true, !index);
    sqlite3_busy_timeout(m_db->Handle(), static_cast<int>(m_options.BusyTimeout.count()));
    const TFileState state = FileState();
    if (state.Owner != kApplicationId)
        throw SqliteError("not a Tamboro library; the file was left as it was", SQLITE_ERROR);
    if (state.Version != kSchemaVersion)
        throw SqliteError("read-only, and of library version " + std::to_string(state.Version) +
                              ", which this Tamboro reads only once it has brought it to " +
                              std::to_string(kSchemaVersion) + " (open it once where it can be "
                              "written)",
                          SQLITE_READONLY);
    m_db->Execute("PRAGMA foreign_keys = ON");
    m_sql = std::make_unique<TStatements>(*m_db);
}

TLibrary::~TLibrary() = default;

std::string TLibrary::NowText() const {
    return FormatTime(m_options.Now(), "%Y-%m-%d %H:%M");
}

std::string TLibrary::Today() const {
    return FormatTime(m_options.Now(), "%Y-%m-%d");
}

std::optional<TItem> TLibrary::Item(ItemId id) {
    auto statement =
        m_db->Prepare(std::string("SELECT ") + kItemColumns + " FROM items i WHERE i.id = ?");
    statement.Bind(1, id);
    if (!statement.Step()) return std::nullopt;
    return ReadItem(statement);
}

Bytes TLibrary::ItemBytes(ItemId id) {
    auto statement = m_db->Prepare("SELECT bytes FROM item_bytes WHERE item_id = ?");
    statement.Bind(1, id);
    if (!statement.Step()) throw LibraryError("No item " + std::to_string(id) + " in the library");
    return statement.Blob(0);
}

std::vector<TSource> TLibrary::Sources(ItemId id) {
    auto statement =
        m_db->Prepare("SELECT origin, slot, seen FROM sources WHERE item_id = ? ORDER BY id");
    statement.Bind(1, id);
    std::vector<TSource> sources;
    while (statement.Step())
        sources.push_back(
            {statement.Text(0), static_cast<int>(statement.Int(1)), statement.Text(2)});
    return sources;
}

void TLibrary::SetFavourite(ItemId id, bool favourite) {
    m_db->Prepare("UPDATE items SET favourite = ? WHERE id = ?")
        .Bind(1, favourite ? 1 : 0)
        .Bind(2, id)
        .Run();
}

void TLibrary::SetTagsAndNote(std::span<const ItemId> ids, const std::string& tags,
                              const std::string& note) {
    TTransaction transaction(*m_db);
    auto update = m_db->Prepare("UPDATE items SET tags = ?, note = ? WHERE id = ?");
    for (ItemId id : ids) {
        update.Bind(1, tags).Bind(2, note).Bind(3, id).Run();
        RefreshSearch(id);
    }
    transaction.Commit();
}

void TLibrary::Delete(std::span<const ItemId> ids) {
    TTransaction transaction(*m_db);
    auto mark = m_db->Prepare("UPDATE items SET deleted = ? WHERE id = ? AND deleted IS NULL");
    const std::string now = NowText();
    for (ItemId id : ids) mark.Bind(1, now).Bind(2, id).Run();
    transaction.Commit();
}

void TLibrary::Restore(std::span<const ItemId> ids) {
    TTransaction transaction(*m_db);
    auto unmark = m_db->Prepare("UPDATE items SET deleted = NULL WHERE id = ?");
    for (ItemId id : ids) unmark.Bind(1, id).Run();
    transaction.Commit();
}

void TLibrary::Purge(std::span<const ItemId> ids) {
    TTransaction transaction(*m_db);
    // The lists keep their other kits where they are: the removed kit's position stays empty.
    auto remove = m_db->Prepare("DELETE FROM items WHERE id = ? AND deleted IS NOT NULL");
    for (ItemId id : ids) {
        remove.Bind(1, id).Run();
        if (m_db->Changes() > 0) m_sql->DeleteSearch.Bind(1, id).Run();
    }
    transaction.Commit();
}

int TLibrary::EmptyDeleted() {
    TTransaction transaction(*m_db);
    m_db->Execute(
        "DELETE FROM item_search WHERE rowid IN (SELECT id FROM items WHERE deleted IS NOT NULL)");
    m_db->Execute("DELETE FROM items WHERE deleted IS NOT NULL");
    int removed = m_db->Changes();
    m_db->Execute("DELETE FROM lists WHERE deleted IS NOT NULL");
    removed += m_db->Changes();
    transaction.Commit();
    return removed;
}

std::vector<std::string> TLibrary::TagsStartingWith(const std::string& prefix, int limit) {
    // Tags are words of the tags field, split at blanks and commas.
    auto statement = m_db->Prepare(R"(
        WITH RECURSIVE split(tag, rest) AS (
            SELECT '', replace(tags, ',', ' ') || ' ' FROM items
                WHERE tags <> '' AND deleted IS NULL
            UNION ALL
            SELECT substr(rest, 1, instr(rest, ' ') - 1), substr(rest, instr(rest, ' ') + 1)
                FROM split WHERE rest <> '')
        SELECT DISTINCT tag FROM split
            WHERE tag <> '' AND fold(substr(tag, 1, length(?1))) = fold(?1)
            ORDER BY tag COLLATE NOCASE LIMIT ?2)");
    statement.Bind(1, prefix).Bind(2, limit);
    std::vector<std::string> tags;
    while (statement.Step()) tags.push_back(statement.Text(0));
    return tags;
}

std::string TLibrary::IntegrityCheck() {
    std::string result;
    try {
        auto statement = m_db->Prepare("PRAGMA quick_check");
        while (statement.Step()) result += (result.empty() ? "" : "; ") + statement.Text(0);
    } catch (const SqliteError& error) {
        // A page so damaged that the check itself stops there.
        return (result.empty() ? "" : result + "; ") + error.Reason();
    }
    return result;
}

std::int64_t TLibrary::ChangeCount() {
    auto statement = m_db->Prepare("SELECT count FROM changes");
    return statement.Step() ? statement.Int(0) : 0;
}

std::int64_t TLibrary::DataVersion() {
    auto statement = m_db->Prepare("PRAGMA data_version");
    return statement.Step() ? statement.Int(0) : 0;
}

TInfo TLibrary::Info() {
    TInfo info;
    info.File = m_file;
    std::error_code error;
    for (const char* suffix : {"", "-wal"}) {
        const auto size = fs::file_size(m_file.string() + suffix, error);
        if (!error) info.Bytes += size;
    }
    auto statement = m_db->Prepare("SELECT kind, count(*) FROM items WHERE deleted IS NULL GROUP BY kind");
    while (statement.Step()) {
        const int count = static_cast<int>(statement.Int(1));
        switch (static_cast<TKind>(statement.Int(0))) {
            case TKind::Kit:
                info.Kits = count;
                break;
            case TKind::Instruments:
                info.Instruments = count;
                break;
            case TKind::System:
                info.Systems = count;
                break;
        }
    }
    auto lists = m_db->Prepare("SELECT count(*) FROM lists WHERE deleted IS NULL");
    lists.Step();
    info.Lists = static_cast<int>(lists.Int(0));
    return info;
}

}  // namespace library
