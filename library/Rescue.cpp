#include <sqlite3.h>

#include "library/Library.h"
#include "library/PreparedStatements.h"
#include "library/Sqlite.h"

namespace library {

namespace fs = std::filesystem;

namespace {

struct TTable {
    const char* Name;
    const char* Key;  // what each row is found by, one at a time
    const char* Columns;
    int Count;
};

// Every table of the library but the search index, which is made again.
constexpr TTable kTables[] = {
    {"items", "id",
     "id, hash, kind, name, favourite, tags, note, first_seen, source_count, deleted", 10},
    {"item_bytes", "item_id", "item_id, bytes", 2},
    {"sources", "id", "id, item_id, origin, slot, seen", 5},
    {"lists", "id", "id, name, deleted", 3},
    {"list_kits", "rowid", "list_id, position, item_id", 3},
};

// Past the last row found, how many keys are tried when the table cannot say its last one.
constexpr std::int64_t kMissesBeforeEnd = 5000;

// Copies each row of the table that can still be read, one by one, so that a damaged page
// costs only the rows on it. Returns how many rows could not be read.
int CopyRows(sqlite3* from, sqlite3* to, const TTable& table) {
    const std::string columns = table.Columns;
    std::string marks = "?";
    for (int k = 1; k < table.Count; ++k) marks += ", ?";
    sqlite3_stmt* last = nullptr;
    std::int64_t end = -1;
    if (sqlite3_prepare_v2(
            from, (std::string("SELECT max(") + table.Key + ") FROM " + table.Name).c_str(), -1,
            &last, nullptr) == SQLITE_OK &&
        sqlite3_step(last) == SQLITE_ROW)
        end = sqlite3_column_int64(last, 0);
    sqlite3_finalize(last);
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    sqlite3_prepare_v2(
        from,
        ("SELECT " + columns + " FROM " + table.Name + " WHERE " + table.Key + " = ?").c_str(), -1,
        &read, nullptr);
    sqlite3_prepare_v2(to,
                       ("INSERT OR IGNORE INTO " + std::string(table.Name) + "(" + columns +
                        ") VALUES(" + marks + ")")
                           .c_str(),
                       -1, &write, nullptr);
    int lost = 0;
    std::int64_t found = 0;
    for (std::int64_t key = 1; read != nullptr && write != nullptr &&
                               (end >= 0 ? key <= end : key <= found + kMissesBeforeEnd);
         ++key) {
        sqlite3_reset(read);
        sqlite3_bind_int64(read, 1, key);
        const int code = sqlite3_step(read);
        if (code != SQLITE_ROW) {
            if (code != SQLITE_DONE) ++lost;
            continue;
        }
        found = key;
        sqlite3_reset(write);
        for (int k = 0; k < table.Count; ++k)
            sqlite3_bind_value(write, k + 1, sqlite3_column_value(read, k));
        sqlite3_step(write);
    }
    sqlite3_finalize(read);
    sqlite3_finalize(write);
    return lost;
}

}  // namespace

std::string InfoSummary(const TInfo& info) {
    const auto count = [](int n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    return count(info.Kits, "kit", "kits") + ", " +
           count(info.Instruments, "instrument set", "instrument sets") + ", " +
           count(info.Systems, "system block", "system blocks") + ", " +
           count(info.Lists, "list", "lists");
}

TRescue TLibrary::Rescue(const fs::path& damaged, const fs::path& target) {
    std::error_code error;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(target.string() + suffix, error);
    TRescue rescue;
    rescue.File = target;
    try {
        TLibrary lib(target);
        TDatabase from(damaged.string(), false, true);
        TDatabase& to = *lib.m_db;
        // Rows whose kit or list was on a damaged page are left out at the end.
        to.Execute("PRAGMA foreign_keys = OFF");
        {
            TTransaction transaction(to);
            for (const TTable& table : kTables)
                rescue.Lost += CopyRows(from.Handle(), to.Handle(), table);
            to.Execute(R"(
                DELETE FROM items WHERE id NOT IN (SELECT item_id FROM item_bytes);
                DELETE FROM item_bytes WHERE item_id NOT IN (SELECT id FROM items);
                DELETE FROM sources WHERE item_id NOT IN (SELECT id FROM items);
                DELETE FROM list_kits WHERE item_id NOT IN (SELECT id FROM items)
                    OR list_id NOT IN (SELECT id FROM lists);
                UPDATE items SET source_count =
                    (SELECT count(*) FROM sources WHERE item_id = items.id);
                UPDATE changes SET count = count + 1;)");
            auto ids = to.Prepare("SELECT id FROM items");
            while (ids.Step()) lib.RefreshSearch(ids.Int(0));
            transaction.Commit();
        }
        to.Execute("PRAGMA foreign_keys = ON");
        rescue.Info = lib.Info();
        // One file that stands alone, as a backup does.
        to.Execute("PRAGMA journal_mode = DELETE");
    } catch (const std::exception& failure) {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            fs::remove(target.string() + suffix, error);
        throw LibraryError("Nothing could be rescued from " + damaged.string() + " into " +
                           target.string() + ": " + failure.what());
    }
    return rescue;
}

}  // namespace library
