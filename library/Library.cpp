#include "library/Library.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <sstream>

#include <sqlite3.h>

#include "library/FileScan.h"
#include "library/Sha256.h"
#include "library/Sqlite.h"
#include "td7/SetupFile.h"
#include "td7/Td7Map.h"

namespace library {

namespace fs = std::filesystem;

namespace {

// Each step brings the schema from version k to k + 1; a file is never downgraded.
const std::vector<const char*>& Migrations() {
    static const std::vector<const char*> steps = {
        R"(
        CREATE TABLE items(
            id INTEGER PRIMARY KEY,
            hash TEXT NOT NULL UNIQUE,
            kind INTEGER NOT NULL CHECK(kind BETWEEN 0 AND 2),
            name TEXT NOT NULL,
            favourite INTEGER NOT NULL DEFAULT 0,
            tags TEXT NOT NULL DEFAULT '',
            note TEXT NOT NULL DEFAULT '',
            first_seen TEXT NOT NULL,
            source_count INTEGER NOT NULL DEFAULT 0);
        CREATE INDEX items_by_name ON items(name COLLATE NOCASE, id);
        -- The bytes apart, so that lists and searches read narrow rows.
        CREATE TABLE item_bytes(
            item_id INTEGER PRIMARY KEY REFERENCES items(id) ON DELETE CASCADE,
            bytes BLOB NOT NULL);
        CREATE TABLE sources(
            id INTEGER PRIMARY KEY,
            item_id INTEGER NOT NULL REFERENCES items(id) ON DELETE CASCADE,
            origin TEXT NOT NULL,
            slot INTEGER NOT NULL,
            seen TEXT NOT NULL,
            UNIQUE(item_id, origin, slot));
        CREATE TABLE lists(
            id INTEGER PRIMARY KEY,
            name TEXT NOT NULL UNIQUE);
        CREATE TABLE list_kits(
            list_id INTEGER NOT NULL REFERENCES lists(id) ON DELETE CASCADE,
            position INTEGER NOT NULL,
            item_id INTEGER NOT NULL REFERENCES items(id) ON DELETE CASCADE,
            PRIMARY KEY(list_id, position));
        CREATE INDEX list_kits_by_item ON list_kits(item_id);
        -- Name, tags, note and sources of each item; trigrams find any fragment fast.
        CREATE VIRTUAL TABLE item_search USING fts5(text, tokenize = 'trigram');
        )",
    };
    return steps;
}

// The tables of the first schema: an unmarked file that has them all is a Tamboro library.
constexpr std::array<const char*, 6> kFirstTables = {"items", "item_bytes", "sources",
                                                     "lists", "list_kits",  "item_search"};

constexpr const char* kItemColumns =
    "i.id, i.kind, i.name, i.favourite, i.tags, i.note, i.first_seen, i.source_count";

TItem ReadItem(const TStatement& row) {
    TItem item;
    item.Id = row.Int(0);
    item.Kind = static_cast<TKind>(row.Int(1));
    item.Name = row.Text(2);
    item.Favourite = row.Int(3) != 0;
    item.Tags = row.Text(4);
    item.Note = row.Text(5);
    item.FirstSeen = row.Text(6);
    item.Sources = static_cast<int>(row.Int(7));
    return item;
}

std::string FormatTime(std::chrono::system_clock::time_point when, const char* format) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

// Each word once: a word said twice asks nothing new.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(word);
    return words;
}

// Characters, not bytes: "Üb" is two letters in three bytes of UTF-8.
std::size_t Letters(const std::string& word) {
    return static_cast<std::size_t>(std::count_if(word.begin(), word.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The conditions joined by AND as a balanced tree: SQLite refuses an expression nested
// 1000 deep, which a chain of a thousand words would be.
std::string AllOf(std::span<const std::string> conditions) {
    if (conditions.size() == 1) return conditions.front();
    const std::size_t half = conditions.size() / 2;
    return "(" + AllOf(conditions.first(half)) + " AND " + AllOf(conditions.subspan(half)) + ")";
}

// The fragment as an FTS5 string: in double quotes, inner quotes doubled.
std::string Quoted(const std::string& word) {
    std::string text = "\"";
    for (char c : word) {
        if (c == '"') text += '"';
        text += c;
    }
    return text + "\"";
}

std::string LikePattern(const std::string& word) {
    std::string text = "%";
    for (char c : word) {
        if (c == '%' || c == '_' || c == '\\') text += '\\';
        text += c;
    }
    return text + "%";
}

// The WHERE clause of a filter and its parameters, in order.
struct TWhere {
    std::string Sql;
    std::vector<std::string> Texts;
    std::vector<std::int64_t> Numbers;  // bound after the texts
};

TWhere BuildWhere(const TFilter& filter) {
    TWhere where;
    std::vector<std::string> clauses;
    std::vector<std::string> shortWords;
    std::string match;
    for (const auto& word : Words(filter.Search)) {
        // Trigrams need three characters; shorter words are looked for the slow way.
        if (Letters(word) >= 3) {
            match += (match.empty() ? "" : " AND ") + Quoted(word);
        } else {
            shortWords.push_back("text LIKE ? ESCAPE '\\'");
            where.Texts.push_back(LikePattern(word));
        }
    }
    if (!shortWords.empty())
        clauses.push_back("i.id IN (SELECT rowid FROM item_search WHERE " + AllOf(shortWords) +
                          ")");
    if (!match.empty()) {
        clauses.insert(clauses.begin(),
                       "i.id IN (SELECT rowid FROM item_search WHERE item_search MATCH ?)");
        where.Texts.insert(where.Texts.begin(), match);
    }
    if (filter.FavouritesOnly) clauses.push_back("i.favourite = 1");
    if (filter.Kind) {
        clauses.push_back("i.kind = ?");
        where.Numbers.push_back(static_cast<std::int64_t>(*filter.Kind));
    }
    for (std::size_t k = 0; k < clauses.size(); ++k)
        where.Sql += (k == 0 ? " WHERE " : " AND ") + clauses[k];
    return where;
}

int BindWhere(TStatement& statement, const TWhere& where) {
    int index = 1;
    for (const auto& text : where.Texts) statement.Bind(index++, text);
    for (auto number : where.Numbers) statement.Bind(index++, number);
    return index;
}

}  // namespace

// The statements an import runs for every item, prepared once.
struct TLibrary::TStatements {
    explicit TStatements(TDatabase& db)
        : FindHash(db.Prepare("SELECT id FROM items WHERE hash = ?")),
          InsertItem(
              db.Prepare("INSERT INTO items(hash, kind, name, first_seen) VALUES(?, ?, ?, ?)")),
          InsertBytes(db.Prepare("INSERT INTO item_bytes(item_id, bytes) VALUES(?, ?)")),
          InsertSource(db.Prepare(
              "INSERT OR IGNORE INTO sources(item_id, origin, slot, seen) VALUES(?, ?, ?, ?)")),
          CountSource(db.Prepare("UPDATE items SET source_count = source_count + 1 WHERE id = ?")),
          SearchText(db.Prepare(
              "SELECT i.name || ' ' || i.tags || ' ' || i.note || ' ' || "
              "coalesce((SELECT group_concat(origin, ' ') FROM sources WHERE item_id = i.id), '') "
              "FROM items i WHERE i.id = ?")),
          DeleteSearch(db.Prepare("DELETE FROM item_search WHERE rowid = ?")),
          InsertSearch(db.Prepare("INSERT INTO item_search(rowid, text) VALUES(?, ?)")) {}

    TStatement FindHash;
    TStatement InsertItem;
    TStatement InsertBytes;
    TStatement InsertSource;
    TStatement CountSource;
    TStatement SearchText;
    TStatement DeleteSearch;
    TStatement InsertSearch;
};

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
        m_db = std::make_unique<TDatabase>(file.string(), m_options.Create);
        sqlite3_busy_timeout(m_db->Handle(), static_cast<int>(m_options.BusyTimeout.count()));
        if (sqlite3_db_readonly(m_db->Handle(), "main") == 1)
            throw SqliteError("attempt to write a readonly database", SQLITE_READONLY);
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

TLibrary::~TLibrary() = default;

int TLibrary::PragmaValue(const char* name) {
    auto statement = m_db->Prepare(std::string("PRAGMA ") + name);
    statement.Step();
    return static_cast<int>(statement.Int(0));
}

TLibrary::TFileState TLibrary::FileState() {
    TFileState state;
    state.Owner = PragmaValue("application_id");
    state.Version = PragmaValue("user_version");
    auto tables = m_db->Prepare("SELECT name FROM sqlite_master WHERE type = 'table'");
    std::vector<std::string> names;
    while (tables.Step()) names.push_back(tables.Text(0));
    state.Empty = names.empty();
    state.Schema = std::all_of(kFirstTables.begin(), kFirstTables.end(), [&](const char* table) {
        return std::find(names.begin(), names.end(), table) != names.end();
    });
    return state;
}

void TLibrary::Migrate() {
    constexpr const char* kLeft = "; the file was left as it was";
    TFileState state = FileState();
    // Tamboro's mark, or an unmarked file with the tables of Tamboro's first library (made
    // before the mark existed), or a new file; anything else is another program's.
    const bool ours = state.Owner == kApplicationId || (state.Owner == 0 && state.Schema);
    if (!ours && !(state.Owner == 0 && state.Empty && state.Version == 0))
        throw SqliteError(std::string("not a Tamboro library") + kLeft, SQLITE_ERROR);
    if (state.Empty && !m_options.Create)
        throw SqliteError("holds no library yet (an import makes one)", SQLITE_ERROR);
    if (state.Version > kSchemaVersion)
        throw SqliteError("made by a newer Tamboro (library version " +
                              std::to_string(state.Version) + ", this one reads up to " +
                              std::to_string(kSchemaVersion) + ")",
                          SQLITE_ERROR);
    if (state.Version < 0 || (state.Version == 0 && !state.Empty))
        throw SqliteError("its library version " + std::to_string(state.Version) +
                              " is not one Tamboro writes (changed by another program?)" + kLeft,
                          SQLITE_ERROR);
    if (state.Version == kSchemaVersion && state.Owner == kApplicationId) return;
    TTransaction transaction(*m_db);
    // Another program may have migrated the file while this one waited for the lock.
    state = FileState();
    const auto& steps = Migrations();
    for (int version = state.Version; version < kSchemaVersion; ++version)
        m_db->Execute(steps[static_cast<std::size_t>(version)]);
    m_db->Execute("PRAGMA user_version = " + std::to_string(kSchemaVersion) +
                  "; PRAGMA application_id = " + std::to_string(kApplicationId));
    transaction.Commit();
}

std::string TLibrary::NowText() const {
    return FormatTime(m_options.Now(), "%Y-%m-%d %H:%M");
}

std::string TLibrary::Today() const {
    return FormatTime(m_options.Now(), "%Y-%m-%d");
}

void TLibrary::RefreshSearch(ItemId id) {
    auto& sql = *m_sql;
    sql.SearchText.Bind(1, id);
    const std::string text = sql.SearchText.Step() ? sql.SearchText.Text(0) : std::string();
    sql.SearchText.Reset();
    sql.DeleteSearch.Bind(1, id).Run();
    sql.InsertSearch.Bind(1, id).Bind(2, text).Run();
}

std::pair<ItemId, bool> TLibrary::AddInTransaction(TKind kind, std::span<const std::uint8_t> normal,
                                                   const std::string& origin, int slot,
                                                   const std::string& name,
                                                   const std::string& now) {
    auto& sql = *m_sql;
    const std::string hash = Sha256Hex(normal);
    sql.FindHash.Bind(1, hash);
    const bool known = sql.FindHash.Step();
    ItemId id = known ? sql.FindHash.Int(0) : 0;
    sql.FindHash.Reset();
    if (!known) {
        const std::string itemName = kind == TKind::Kit ? KitName(normal) : name;
        sql.InsertItem.Bind(1, hash)
            .Bind(2, static_cast<int>(kind))
            .Bind(3, itemName)
            .Bind(4, now)
            .Run();
        id = m_db->LastInsertId();
        sql.InsertBytes.Bind(1, id).Bind(2, normal).Run();
    }
    sql.InsertSource.Bind(1, id).Bind(2, origin).Bind(3, slot).Bind(4, now).Run();
    if (m_db->Changes() > 0) {
        sql.CountSource.Bind(1, id).Run();
        RefreshSearch(id);
    }
    return {id, !known};
}

std::pair<ItemId, bool> TLibrary::Add(TKind kind, std::span<const std::uint8_t> bytes,
                                      const std::string& origin, int slot,
                                      const std::string& name) {
    const Bytes normal = Normalise(kind, bytes);
    TTransaction transaction(*m_db);
    const auto result = AddInTransaction(kind, normal, origin, slot, name, NowText());
    transaction.Commit();
    return result;
}

int TLibrary::AddAll(std::span<const TPiece> pieces, const std::string& origin) {
    const std::string now = NowText();
    TTransaction transaction(*m_db);
    int added = 0;
    for (const auto& piece : pieces) {
        const Bytes normal = Normalise(piece.Kind, piece.Data);
        // Instrument sets and system blocks are named after where they came from.
        if (AddInTransaction(piece.Kind, normal, origin, piece.Slot, origin, now).second) ++added;
    }
    transaction.Commit();
    return added;
}

void TLibrary::ImportFile(const fs::path& file, TImportReport& report) {
    const std::string shown = file.string();
    TScan scan;
    try {
        scan = ScanFile(file);
    } catch (const std::exception& error) {
        report.Problems.push_back(shown + ": " + error.what());
        return;
    }
    for (const auto& damage : scan.Damage) report.Problems.push_back(shown + ": " + damage);
    // A file of which nothing came in was not imported; its damage says why.
    if (scan.Items.empty()) return;
    ++report.Files;
    std::error_code error;
    const fs::path absolute = fs::absolute(file, error);
    const std::string origin = (error ? file : absolute.lexically_normal()).string();
    const std::string now = NowText();
    // Instrument sets and system blocks have no name of their own: they take the file's.
    const std::string name = file.stem().string();
    TTransaction transaction(*m_db);
    for (const auto& item : scan.Items) {
        if (AddInTransaction(item.Kind, item.Data, origin, item.Slot, name, now).second)
            ++report.Added;
        else
            ++report.Known;
    }
    transaction.Commit();
}

TImportReport TLibrary::Import(std::span<const fs::path> paths, const ImportProgress& progress) {
    TImportReport report;
    std::vector<fs::path> files;
    for (const auto& path : paths) {
        std::error_code error;
        if (fs::is_directory(path, error)) {
            const auto found = FindLibraryFiles(path, report.Problems);
            files.insert(files.end(), found.begin(), found.end());
        } else {
            files.push_back(path);
        }
    }
    const int total = static_cast<int>(files.size());
    for (int k = 0; k < total; ++k) {
        const auto& file = files[static_cast<std::size_t>(k)];
        if (progress && !progress(file, k, total)) {
            report.Cancelled = true;
            break;
        }
        ImportFile(file, report);
    }
    if (progress && !report.Cancelled) progress({}, total, total);
    return report;
}

int TLibrary::Count(const TFilter& filter) {
    const TWhere where = BuildWhere(filter);
    auto statement = m_db->Prepare("SELECT count(*) FROM items i" + where.Sql);
    BindWhere(statement, where);
    statement.Step();
    return static_cast<int>(statement.Int(0));
}

std::vector<TItem> TLibrary::Find(const TFilter& filter, int limit, int offset) {
    const TWhere where = BuildWhere(filter);
    auto statement =
        m_db->Prepare(std::string("SELECT ") + kItemColumns + " FROM items i" + where.Sql +
                      " ORDER BY i.name COLLATE NOCASE, i.id LIMIT ? OFFSET ?");
    const int next = BindWhere(statement, where);
    statement.Bind(next, limit).Bind(next + 1, offset);
    std::vector<TItem> items;
    while (statement.Step()) items.push_back(ReadItem(statement));
    return items;
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
    // The lists keep their other kits where they are: the deleted kit's place stays empty.
    auto remove = m_db->Prepare("DELETE FROM items WHERE id = ?");
    for (ItemId id : ids) {
        remove.Bind(1, id).Run();
        m_sql->DeleteSearch.Bind(1, id).Run();
    }
    transaction.Commit();
}

std::vector<std::string> TLibrary::ListsHolding(std::span<const ItemId> ids) {
    std::vector<std::string> names;
    for (const auto& list : Lists()) {
        const auto kits = ListKits(list.Id);
        const bool holds = std::any_of(kits.begin(), kits.end(), [&](const auto& kit) {
            return kit && std::find(ids.begin(), ids.end(), kit->Id) != ids.end();
        });
        if (holds) names.push_back(list.Name);
    }
    return names;
}

ItemId TLibrary::CreateList(const std::string& name, std::span<const ItemId> kits) {
    TTransaction transaction(*m_db);
    if (FindList(name)) throw LibraryError("A list named \"" + name + "\" exists already");
    m_db->Prepare("INSERT INTO lists(name) VALUES(?)").Bind(1, name).Run();
    const ItemId list = m_db->LastInsertId();
    SetListKits(list, kits);
    transaction.Commit();
    return list;
}

void TLibrary::SetListKits(ItemId list, std::span<const ItemId> kits) {
    if (kits.size() > static_cast<std::size_t>(kMaxListKits))
        throw LibraryError("A list holds at most 32 kits");
    for (ItemId kit : kits) {
        if (kit == kEmptyPlace) continue;
        const auto item = Item(kit);
        if (!item || item->Kind != TKind::Kit)
            throw LibraryError("Item " + std::to_string(kit) + " is no kit of the library");
    }
    // Inside the caller's transaction when there is one (SQLite nests none).
    const bool own = sqlite3_get_autocommit(m_db->Handle()) != 0;
    std::optional<TTransaction> transaction;
    if (own) transaction.emplace(*m_db);
    m_db->Prepare("DELETE FROM list_kits WHERE list_id = ?").Bind(1, list).Run();
    auto insert =
        m_db->Prepare("INSERT INTO list_kits(list_id, position, item_id) VALUES(?, ?, ?)");
    for (std::size_t k = 0; k < kits.size(); ++k)
        if (kits[k] != kEmptyPlace)
            insert.Bind(1, list).Bind(2, static_cast<std::int64_t>(k)).Bind(3, kits[k]).Run();
    if (transaction) transaction->Commit();
}

std::vector<TList> TLibrary::Lists() {
    auto statement = m_db->Prepare(
        "SELECT l.id, l.name, (SELECT count(*) FROM list_kits WHERE list_id = l.id) "
        "FROM lists l ORDER BY l.name COLLATE NOCASE");
    std::vector<TList> lists;
    while (statement.Step())
        lists.push_back({statement.Int(0), statement.Text(1), static_cast<int>(statement.Int(2))});
    return lists;
}

std::optional<TList> TLibrary::FindList(const std::string& name) {
    for (auto& list : Lists())
        if (list.Name == name) return list;
    return std::nullopt;
}

std::vector<std::optional<TItem>> TLibrary::ListKits(ItemId list) {
    auto statement = m_db->Prepare(std::string("SELECT ") + kItemColumns +
                                   ", k.position FROM list_kits k JOIN items i ON i.id = k.item_id"
                                   " WHERE k.list_id = ? ORDER BY k.position");
    statement.Bind(1, list);
    std::vector<std::optional<TItem>> places;
    while (statement.Step()) {
        const auto position = static_cast<std::size_t>(statement.Int(8));
        if (position >= static_cast<std::size_t>(kMaxListKits)) continue;
        places.resize(position + 1);
        places[position] = ReadItem(statement);
    }
    return places;
}

void TLibrary::DeleteList(ItemId list) {
    m_db->Prepare("DELETE FROM lists WHERE id = ?").Bind(1, list).Run();
}

Bytes TLibrary::ListSetupImage(ItemId list) {
    const auto kits = ListKits(list);
    td7::TSetupParts parts;
    for (std::size_t p = 0; p < kits.size() && p < parts.Patches.size(); ++p)
        if (kits[p]) parts.Patches[p] = KitForSlot(ItemBytes(kits[p]->Id), static_cast<int>(p));
    return td7::SetupImage(parts);
}

TInfo TLibrary::Info() {
    TInfo info;
    info.File = m_file;
    std::error_code error;
    for (const char* suffix : {"", "-wal"}) {
        const auto size = fs::file_size(m_file.string() + suffix, error);
        if (!error) info.Bytes += size;
    }
    auto statement = m_db->Prepare("SELECT kind, count(*) FROM items GROUP BY kind");
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
    auto lists = m_db->Prepare("SELECT count(*) FROM lists");
    lists.Step();
    info.Lists = static_cast<int>(lists.Int(0));
    return info;
}

}  // namespace library
