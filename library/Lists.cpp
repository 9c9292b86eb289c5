#include "library/Library.h"

#include <algorithm>

#include <sqlite3.h>

#include "library/ItemRow.h"
#include "library/Sqlite.h"
#include "td7/files/SetupFile.h"
#include "td7/map/Td7Map.h"

namespace library {

namespace {

// As the user counts them: 1..32.
void CheckPosition(int position) {
    if (position < 0 || position >= kMaxListKits)
        throw LibraryError("Position " + std::to_string(position + 1) +
                           " is not one of a list (1 to 32)");
}

std::string ListName(const std::string& name) {
    if (name.empty()) throw LibraryError("A list needs a name");
    return name;
}

}  // namespace

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
    if (FindList(ListName(name)))
        throw LibraryError("A list named \"" + name + "\" exists already");
    m_db->Prepare("INSERT INTO lists(name) VALUES(?)").Bind(1, name).Run();
    const ItemId list = m_db->LastInsertId();
    SetListKits(list, kits);
    transaction.Commit();
    return list;
}

TPositions TLibrary::ListPositions(ItemId list) {
    auto statement =
        m_db->Prepare("SELECT position, item_id FROM list_kits WHERE list_id = ? ORDER BY position");
    statement.Bind(1, list);
    TPositions positions{};
    while (statement.Step()) {
        const auto position = statement.Int(0);
        if (position >= 0 && position < kMaxListKits)
            positions[static_cast<std::size_t>(position)] = statement.Int(1);
    }
    return positions;
}

void TLibrary::SetListPositions(ItemId list, const TPositions& positions) {
    if (!List(list)) throw LibraryError("The list is no longer in the library");
    for (ItemId kit : positions) {
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
    for (std::size_t k = 0; k < positions.size(); ++k)
        if (positions[k] != kEmptyPlace)
            insert.Bind(1, list).Bind(2, static_cast<std::int64_t>(k)).Bind(3, positions[k]).Run();
    if (transaction) transaction->Commit();
}

void TLibrary::SetListKits(ItemId list, std::span<const ItemId> kits) {
    if (kits.size() > static_cast<std::size_t>(kMaxListKits))
        throw LibraryError("A list holds at most 32 kits");
    const TPositions old = ListPositions(list);
    TPositions positions{};
    for (std::size_t k = 0; k < positions.size(); ++k) {
        if (k < kits.size() && kits[k] != kEmptyPlace) {
            positions[k] = kits[k];
        } else if (old[k] != kEmptyPlace) {
            // The window never sees a deleted kit; its position waits for the restore.
            const auto item = Item(old[k]);
            if (item && !item->Deleted.empty()) positions[k] = old[k];
        }
    }
    SetListPositions(list, positions);
}

void TLibrary::PutInList(ItemId list, int position, ItemId kit) {
    CheckPosition(position);
    // A kit of the Deleted view (deleted by another program, say) would wait there unseen.
    if (kit != kEmptyPlace) {
        const auto item = Item(kit);
        if (item && !item->Deleted.empty())
            throw LibraryError("The kit " + item->Name +
                               " is in the Deleted view (deleted meanwhile?); restore it first");
    }
    TPositions positions = ListPositions(list);
    positions[static_cast<std::size_t>(position)] = kit;
    SetListPositions(list, positions);
}

void TLibrary::ClearPosition(ItemId list, int position) {
    PutInList(list, position, kEmptyPlace);
}

void TLibrary::SwapPositions(ItemId list, int from, int to) {
    CheckPosition(from);
    CheckPosition(to);
    TPositions positions = ListPositions(list);
    std::swap(positions[static_cast<std::size_t>(from)], positions[static_cast<std::size_t>(to)]);
    SetListPositions(list, positions);
}

void TLibrary::MovePosition(ItemId list, int from, int to) {
    CheckPosition(from);
    CheckPosition(to);
    TPositions positions = ListPositions(list);
    if (from == to) return;
    if (positions[static_cast<std::size_t>(to)] != kEmptyPlace)
        throw LibraryError("Position " + std::to_string(to + 1) +
                           " holds a kit already; swap the two instead");
    std::swap(positions[static_cast<std::size_t>(from)], positions[static_cast<std::size_t>(to)]);
    SetListPositions(list, positions);
}

void TLibrary::RenameList(ItemId list, const std::string& name) {
    TTransaction transaction(*m_db);
    const auto same = FindList(ListName(name));
    if (same && same->Id != list) throw LibraryError("A list named \"" + name + "\" exists already");
    m_db->Prepare("UPDATE lists SET name = ? WHERE id = ?").Bind(1, name).Bind(2, list).Run();
    transaction.Commit();
}

ItemId TLibrary::DuplicateList(ItemId list, const std::string& name) {
    TTransaction transaction(*m_db);
    if (!List(list)) throw LibraryError("The list is no longer in the library");
    if (FindList(ListName(name)))
        throw LibraryError("A list named \"" + name + "\" exists already");
    m_db->Prepare("INSERT INTO lists(name) VALUES(?)").Bind(1, name).Run();
    const ItemId copy = m_db->LastInsertId();
    m_db->Prepare(
            "INSERT INTO list_kits(list_id, position, item_id) "
            "SELECT ?, position, item_id FROM list_kits WHERE list_id = ?")
        .Bind(1, copy)
        .Bind(2, list)
        .Run();
    transaction.Commit();
    return copy;
}

std::vector<int> TLibrary::CompareList(ItemId list, std::span<const std::optional<Bytes>> patches) {
    const auto kits = ListKits(list);
    std::vector<int> differ;
    for (std::size_t p = 0; p < kits.size(); ++p) {
        if (!kits[p]) continue;
        const bool same = p < patches.size() && patches[p] &&
                          patches[p]->size() == KindBytes(TKind::Kit) &&
                          Normalise(TKind::Kit, *patches[p]) == ItemBytes(kits[p]->Id);
        if (!same) differ.push_back(static_cast<int>(p));
    }
    return differ;
}

std::vector<TList> TLibrary::Lists(bool deleted) {
    // A position counts while its kit is not in the Deleted view.
    auto statement = m_db->Prepare(
        std::string("SELECT l.id, l.name, (SELECT count(*) FROM list_kits k JOIN items i ON "
                    "i.id = k.item_id WHERE k.list_id = l.id AND i.deleted IS NULL), "
                    "coalesce(l.deleted, '') FROM lists l WHERE l.deleted IS ") +
        (deleted ? "NOT NULL" : "NULL") + " ORDER BY l.name COLLATE NOCASE");
    std::vector<TList> lists;
    while (statement.Step())
        lists.push_back({statement.Int(0), statement.Text(1), static_cast<int>(statement.Int(2)),
                         statement.Text(3)});
    return lists;
}

std::optional<TList> TLibrary::FindList(const std::string& name) {
    for (auto& list : Lists())
        if (list.Name == name) return list;
    return std::nullopt;
}

std::optional<TList> TLibrary::List(ItemId list) {
    for (bool deleted : {false, true})
        for (auto& found : Lists(deleted))
            if (found.Id == list) return found;
    return std::nullopt;
}

std::vector<std::optional<TItem>> TLibrary::ListKits(ItemId list) {
    auto statement = m_db->Prepare(std::string("SELECT ") + kItemColumns +
                                   ", k.position FROM list_kits k JOIN items i ON i.id = k.item_id"
                                   " WHERE k.list_id = ? AND i.deleted IS NULL ORDER BY k.position");
    statement.Bind(1, list);
    std::vector<std::optional<TItem>> places;
    while (statement.Step()) {
        const auto position = static_cast<std::size_t>(statement.Int(kAfterItemColumns));
        if (position >= static_cast<std::size_t>(kMaxListKits)) continue;
        places.resize(position + 1);
        places[position] = ReadItem(statement);
    }
    return places;
}

void TLibrary::DeleteList(ItemId list) {
    m_db->Prepare("UPDATE lists SET deleted = ? WHERE id = ? AND deleted IS NULL")
        .Bind(1, NowText())
        .Bind(2, list)
        .Run();
}

void TLibrary::RestoreList(ItemId list) {
    TTransaction transaction(*m_db);
    const auto found = List(list);
    if (!found) throw LibraryError("The list is no longer in the library");
    if (found->Deleted.empty()) return;
    if (FindList(found->Name))
        throw LibraryError("A list named \"" + found->Name +
                           "\" exists already; rename it before restoring this one");
    m_db->Prepare("UPDATE lists SET deleted = NULL WHERE id = ?").Bind(1, list).Run();
    transaction.Commit();
}

void TLibrary::PurgeList(ItemId list) {
    m_db->Prepare("DELETE FROM lists WHERE id = ?").Bind(1, list).Run();
}

Bytes TLibrary::ListSetupImage(ItemId list) {
    const auto kits = ListKits(list);
    td7::TSetupParts parts;
    for (std::size_t p = 0; p < kits.size() && p < parts.Patches.size(); ++p)
        if (kits[p]) parts.Patches[p] = KitForSlot(ItemBytes(kits[p]->Id), static_cast<int>(p));
    return td7::SetupImage(parts);
}

}  // namespace library
