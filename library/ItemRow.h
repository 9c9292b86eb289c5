#pragma once

// An item's row as searches, look-ups and lists read it: the columns to select and the
// reader that turns them into a TItem.

#include "library/Library.h"
#include "library/Sqlite.h"

namespace library {

inline constexpr const char* kItemColumns =
    "i.id, i.kind, i.name, i.favourite, i.tags, i.note, i.first_seen, i.source_count, "
    "coalesce(i.deleted, ''), i.hash";
// The column after kItemColumns.
inline constexpr int kAfterItemColumns = 10;

inline TItem ReadItem(const TStatement& row) {
    TItem item;
    item.Id = row.Int(0);
    item.Kind = static_cast<TKind>(row.Int(1));
    item.Name = row.Text(2);
    item.Favourite = row.Int(3) != 0;
    item.Tags = row.Text(4);
    item.Note = row.Text(5);
    item.FirstSeen = row.Text(6);
    item.Sources = static_cast<int>(row.Int(7));
    item.Deleted = row.Text(8);
    item.Hash = row.Text(9);
    return item;
}

}  // namespace library
