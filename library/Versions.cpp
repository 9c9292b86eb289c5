#include "library/Library.h"

#include <algorithm>
#include <set>

#include "library/ItemRow.h"
#include "library/Sqlite.h"

namespace library {

namespace {

// What the module's requests record as a source ("TD-7 (device ID 17) 2026-12-07").
bool FromModule(const TSource& source) {
    return source.Origin.starts_with("TD-7 ");
}

}  // namespace

std::vector<TVersion> TLibrary::Versions(ItemId kit) {
    const auto item = Item(kit);
    if (!item) throw LibraryError("No item " + std::to_string(kit) + " in the library");
    std::set<int> slots;
    for (const auto& source : Sources(kit))
        if (FromModule(source)) slots.insert(source.Slot);
    auto statement = m_db->Prepare(std::string("SELECT ") + kItemColumns +
                                   " FROM items i WHERE i.name = ? COLLATE NOCASE AND i.kind = ?"
                                   " AND i.id <> ? AND i.deleted IS NULL");
    statement.Bind(1, item->Name).Bind(2, static_cast<int>(TKind::Kit)).Bind(3, kit);
    std::vector<TVersion> versions;
    while (statement.Step()) versions.push_back({ReadItem(statement), {}, false, 0});
    for (auto& version : versions) {
        for (const auto& source : Sources(version.Item.Id)) {
            const bool sameSlot = FromModule(source) && slots.count(source.Slot) > 0;
            // The newest sighting, in the kit's slot when there is one.
            if (sameSlot && (!version.SameSlot || source.Seen > version.Seen)) {
                version.SameSlot = true;
                version.Slot = source.Slot;
                version.Seen = source.Seen;
            } else if (!version.SameSlot && source.Seen > version.Seen) {
                version.Seen = source.Seen;
            }
        }
    }
    std::sort(versions.begin(), versions.end(), [](const TVersion& a, const TVersion& b) {
        if (a.SameSlot != b.SameSlot) return a.SameSlot;
        return a.Seen > b.Seen;
    });
    return versions;
}

}  // namespace library
