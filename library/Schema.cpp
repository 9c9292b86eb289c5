#include "library/Library.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "library/Sqlite.h"

namespace library {

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
        // The Deleted view (a date instead of a removal), list names free again once their
        // list is deleted, and a count of changes by any program for the automatic backup.
        R"(
        ALTER TABLE items ADD COLUMN deleted TEXT;
        CREATE TABLE lists_v2(
            id INTEGER PRIMARY KEY,
            name TEXT NOT NULL,
            deleted TEXT);
        INSERT INTO lists_v2(id, name) SELECT id, name FROM lists;
        DROP TABLE lists;
        ALTER TABLE lists_v2 RENAME TO lists;
        CREATE UNIQUE INDEX lists_by_name ON lists(name) WHERE deleted IS NULL;
        CREATE TABLE changes(count INTEGER NOT NULL);
        INSERT INTO changes VALUES(0);
        CREATE TRIGGER items_added AFTER INSERT ON items
            BEGIN UPDATE changes SET count = count + 1; END;
        CREATE TRIGGER items_changed AFTER UPDATE ON items
            BEGIN UPDATE changes SET count = count + 1; END;
        CREATE TRIGGER items_removed AFTER DELETE ON items
            BEGIN UPDATE changes SET count = count + 1; END;
        CREATE TRIGGER lists_added AFTER INSERT ON lists
            BEGIN UPDATE changes SET count = count + 1; END;
        CREATE TRIGGER lists_changed AFTER UPDATE ON lists
            BEGIN UPDATE changes SET count = count + 1; END;
        CREATE TRIGGER lists_removed AFTER DELETE ON lists
            BEGIN UPDATE changes SET count = count + 1; END;
        CREATE TRIGGER positions_added AFTER INSERT ON list_kits
            BEGIN UPDATE changes SET count = count + 1; END;
        CREATE TRIGGER positions_removed AFTER DELETE ON list_kits
            BEGIN UPDATE changes SET count = count + 1; END;
        )",
    };
    return steps;
}

// The tables of the first schema: an unmarked file that has them all is a Tamboro library.
constexpr std::array<const char*, 6> kFirstTables = {"items", "item_bytes", "sources",
                                                     "lists", "list_kits",  "item_search"};

}  // namespace

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

}  // namespace library
