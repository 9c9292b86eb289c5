#include "library/Library.h"

#include <algorithm>

#include <sqlite3.h>

#include "library/ItemRow.h"
#include "library/Sqlite.h"
#include "td7/SetupFile.h"
#include "td7/Td7Map.h"

namespace library {

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

}  // namespace library
