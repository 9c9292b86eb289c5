#pragma once

#include "library/Library.h"
#include "library/Sqlite.h"

namespace library {

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

}  // namespace library
