#include "library/Edits.h"

#include <map>

namespace library {

namespace {

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::vector<ItemId> IdsOf(const auto& kits) {
    std::vector<ItemId> ids;
    for (const auto& kit : kits) ids.push_back(kit.Id);
    return ids;
}

// What an undo finds when another program changed the library under the window.
constexpr const char* kKitRemoved =
    "the kit was removed from the library meanwhile (by another program or window)";
constexpr const char* kListRemoved =
    "the list was removed from the library meanwhile (by another program or window)";
constexpr const char* kKitChanged = "the kit was changed meanwhile (by another program or window)";
constexpr const char* kListChanged =
    "the list was changed meanwhile (by another program or window)";

void RequireItems(TLibrary& lib, std::span<const ItemId> ids) {
    for (ItemId id : ids)
        if (!lib.Item(id)) throw LibraryError(kKitRemoved);
}

bool InDeleted(const TItem& item) {
    return !item.Deleted.empty();
}

}  // namespace

std::vector<TEdits::TKit> TEdits::Kits(std::span<const ItemId> ids,
                                       const std::function<bool(const TItem&)>& which) {
    std::vector<TKit> kits;
    for (ItemId id : ids)
        if (const auto item = m_lib.Item(id); item && which(*item))
            kits.push_back({id, item->Hash});
    return kits;
}

std::vector<TItem> TEdits::Still(const std::vector<TKit>& kits,
                                 const std::function<bool(const TItem&, std::size_t)>& still) {
    std::vector<TItem> items;
    for (const auto& kit : kits) {
        const auto item = m_lib.Item(kit.Id);
        if (!item || item->Hash != kit.Hash) throw LibraryError(kKitRemoved);
        if (!still(*item, items.size())) throw LibraryError(kKitChanged);
        items.push_back(*item);
    }
    return items;
}

TList TEdits::StillList(ItemId list, const std::function<bool(const TList&)>& still) {
    const auto found = m_lib.List(list);
    if (!found) throw LibraryError(kListRemoved);
    if (!still(*found)) throw LibraryError(kListChanged);
    return *found;
}

void TEdits::Push(TStep step) {
    step.Redo();
    m_undo.push_back(std::move(step));
    m_redo.clear();
}

// The newest step of `from` taken back (or done again) and filed in `to`; a step that another
// program made impossible is dropped with a sentence that names it.
void TEdits::Replay(std::vector<TStep>& from, std::vector<TStep>& to, bool undo) {
    if (from.empty()) return;
    TStep step = std::move(from.back());
    from.pop_back();
    try {
        (undo ? step.Undo : step.Redo)();
    } catch (const LibraryError& error) {
        throw LibraryError((undo ? "Cannot undo " : "Cannot redo ") + step.Text + ": " +
                           error.what());
    }
    to.push_back(std::move(step));
}

void TEdits::Undo() {
    Replay(m_undo, m_redo, true);
}

void TEdits::Redo() {
    Replay(m_redo, m_undo, false);
}

void TEdits::Delete(std::span<const ItemId> ids) {
    // Only what is not in the Deleted view yet: an undo must not restore what was there.
    const auto live = Kits(ids, [](const TItem& item) { return !InDeleted(item); });
    if (live.empty()) return;
    const auto toDeleted = [this, live](bool deleted) {
        Still(live,
              [deleted](const TItem& item, std::size_t) { return InDeleted(item) != deleted; });
        deleted ? m_lib.Delete(IdsOf(live)) : m_lib.Restore(IdsOf(live));
    };
    Push({"Delete " + Count(live.size(), "item", "items"), [toDeleted] { toDeleted(false); },
          [toDeleted] { toDeleted(true); }});
}

void TEdits::Restore(std::span<const ItemId> ids) {
    const auto gone = Kits(ids, InDeleted);
    if (gone.empty()) return;
    const auto toDeleted = [this, gone](bool deleted) {
        Still(gone,
              [deleted](const TItem& item, std::size_t) { return InDeleted(item) != deleted; });
        deleted ? m_lib.Delete(IdsOf(gone)) : m_lib.Restore(IdsOf(gone));
    };
    Push({"Restore " + Count(gone.size(), "item", "items"), [toDeleted] { toDeleted(true); },
          [toDeleted] { toDeleted(false); }});
}

void TEdits::SetFavourite(std::span<const ItemId> ids, bool favourite) {
    // Only those that change, so that the undo leaves the others as they were.
    const auto changed =
        Kits(ids, [favourite](const TItem& item) { return item.Favourite != favourite; });
    if (changed.empty()) return;
    const auto set = [this, changed](bool value) {
        Still(changed, [value](const TItem& item, std::size_t) { return item.Favourite != value; });
        for (const auto& kit : changed) m_lib.SetFavourite(kit.Id, value);
    };
    Push({favourite ? "Mark as favourite" : "Unmark favourite",
          [set, favourite] { set(!favourite); }, [set, favourite] { set(favourite); }});
}

void TEdits::SetTagsAndNote(std::span<const ItemId> ids, const std::string& tags,
                            const std::string& note) {
    SetEach(ids, [&](const TItem&) { return std::make_pair(tags, note); });
}

void TEdits::ChangeTags(std::span<const ItemId> ids, std::span<const std::string> added,
                        std::span<const std::string> removed,
                        const std::optional<std::string>& note) {
    SetEach(ids, [&](const TItem& item) {
        return std::make_pair(WithTags(WithoutTags(item.Tags, removed), added),
                              note ? *note : item.Note);
    });
}

void TEdits::SetEach(std::span<const ItemId> ids,
                     const std::function<std::pair<std::string, std::string>(const TItem&)>& of) {
    // Only those that change, as for favourites; each kit with its old and new values.
    std::vector<TKit> kits;
    std::vector<std::pair<std::string, std::string>> old, now;
    for (ItemId id : ids) {
        const auto item = m_lib.Item(id);
        if (!item) continue;
        auto value = of(*item);
        if (value == std::make_pair(item->Tags, item->Note)) continue;
        kits.push_back({id, item->Hash});
        old.emplace_back(item->Tags, item->Note);
        now.push_back(std::move(value));
    }
    if (kits.empty()) return;
    const auto set = [this, kits](const auto& from, const auto& to) {
        Still(kits, [&](const TItem& item, std::size_t k) {
            return std::make_pair(item.Tags, item.Note) == from[k];
        });
        // Grouped so that each group is written at once.
        std::map<std::pair<std::string, std::string>, std::vector<ItemId>> groups;
        for (std::size_t k = 0; k < kits.size(); ++k) groups[to[k]].push_back(kits[k].Id);
        for (const auto& [text, group] : groups)
            m_lib.SetTagsAndNote(group, text.first, text.second);
    };
    Push({"Tags and note of " + Count(kits.size(), "item", "items"),
          [set, old, now] { set(now, old); }, [set, old, now] { set(old, now); }});
}

// A list made by the caller, undone to the Deleted view, so that a redo brings back the same
// list.
ItemId TEdits::Made(ItemId list, const std::string& text) {
    m_undo.push_back({text,
                      [this, list] {
                          StillList(list, [](const TList& l) { return l.Deleted.empty(); });
                          m_lib.DeleteList(list);
                      },
                      [this, list] {
                          StillList(list, [](const TList& l) { return !l.Deleted.empty(); });
                          m_lib.RestoreList(list);
                      }});
    m_redo.clear();
    return list;
}

ItemId TEdits::CreateList(const std::string& name, std::span<const ItemId> kits) {
    return Made(m_lib.CreateList(name, kits), "New list " + name);
}

ItemId TEdits::DuplicateList(ItemId list, const std::string& name) {
    return Made(m_lib.DuplicateList(list, name), "Duplicate list as " + name);
}

void TEdits::RenameList(ItemId list, const std::string& name) {
    const std::string old = StillList(list, [](const TList&) { return true; }).Name;
    if (old == name) return;
    const auto rename = [this, list](const std::string& from, const std::string& to) {
        StillList(list, [&](const TList& l) { return l.Name == from; });
        m_lib.RenameList(list, to);
    };
    Push({"Rename list " + old, [rename, old, name] { rename(name, old); },
          [rename, old, name] { rename(old, name); }});
}

void TEdits::DeleteList(ItemId list) {
    const auto found = m_lib.List(list);
    if (!found || !found->Deleted.empty()) return;
    const auto toDeleted = [this, list](bool deleted) {
        StillList(list, [deleted](const TList& l) { return l.Deleted.empty() == deleted; });
        deleted ? m_lib.DeleteList(list) : m_lib.RestoreList(list);
    };
    Push({"Delete list " + found->Name, [toDeleted] { toDeleted(false); },
          [toDeleted] { toDeleted(true); }});
}

void TEdits::RestoreList(ItemId list) {
    const auto found = m_lib.List(list);
    if (!found || found->Deleted.empty()) return;
    const auto toDeleted = [this, list](bool deleted) {
        StillList(list, [deleted](const TList& l) { return l.Deleted.empty() == deleted; });
        deleted ? m_lib.DeleteList(list) : m_lib.RestoreList(list);
    };
    Push({"Restore list " + found->Name, [toDeleted] { toDeleted(true); },
          [toDeleted] { toDeleted(false); }});
}

void TEdits::ChangePositions(ItemId list, const std::string& text,
                             const std::function<void()>& change) {
    StillList(list, [](const TList&) { return true; });
    const TPositions before = m_lib.ListPositions(list);
    change();
    const TPositions after = m_lib.ListPositions(list);
    if (after == before) return;
    const auto set = [this, list](const TPositions& positions, const TPositions& expected) {
        StillList(list, [](const TList&) { return true; });
        if (m_lib.ListPositions(list) != expected) throw LibraryError(kListChanged);
        std::vector<ItemId> kits;
        for (ItemId kit : positions)
            if (kit != kEmptyPlace) kits.push_back(kit);
        RequireItems(m_lib, kits);
        m_lib.SetListPositions(list, positions);
    };
    m_undo.push_back({text, [set, before, after] { set(before, after); },
                      [set, before, after] { set(after, before); }});
    m_redo.clear();
}

void TEdits::SetListKits(ItemId list, std::span<const ItemId> kits) {
    const std::vector<ItemId> copy(kits.begin(), kits.end());
    ChangePositions(list, "Change list", [&] { m_lib.SetListKits(list, copy); });
}

void TEdits::PutInList(ItemId list, int position, ItemId kit) {
    ChangePositions(list, "Put kit at position " + std::to_string(position + 1),
                    [&] { m_lib.PutInList(list, position, kit); });
}

void TEdits::ClearPosition(ItemId list, int position) {
    ChangePositions(list, "Clear position " + std::to_string(position + 1),
                    [&] { m_lib.ClearPosition(list, position); });
}

void TEdits::SwapPositions(ItemId list, int from, int to) {
    ChangePositions(list,
                    "Swap positions " + std::to_string(from + 1) + " and " + std::to_string(to + 1),
                    [&] { m_lib.SwapPositions(list, from, to); });
}

void TEdits::MovePosition(ItemId list, int from, int to) {
    ChangePositions(list,
                    "Move position " + std::to_string(from + 1) + " to " + std::to_string(to + 1),
                    [&] { m_lib.MovePosition(list, from, to); });
}

}  // namespace library
