#include "library/Edits.h"

#include <map>

namespace library {

namespace {

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// What an undo finds when another program changed the library under the window.
void RequireItems(TLibrary& lib, std::span<const ItemId> ids) {
    for (ItemId id : ids)
        if (!lib.Item(id))
            throw LibraryError("the kit was removed from the library meanwhile (by another "
                               "program or window)");
}

void RequireList(TLibrary& lib, ItemId list) {
    if (!lib.List(list))
        throw LibraryError("the list was removed from the library meanwhile (by another "
                           "program or window)");
}

}  // namespace

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
    std::vector<ItemId> live;
    for (ItemId id : ids) {
        const auto item = m_lib.Item(id);
        if (item && item->Deleted.empty()) live.push_back(id);
    }
    if (live.empty()) return;
    Push({"Delete " + Count(live.size(), "item", "items"),
          [this, live] {
              RequireItems(m_lib, live);
              m_lib.Restore(live);
          },
          [this, live] {
              RequireItems(m_lib, live);
              m_lib.Delete(live);
          }});
}

void TEdits::Restore(std::span<const ItemId> ids) {
    std::vector<ItemId> gone;
    for (ItemId id : ids) {
        const auto item = m_lib.Item(id);
        if (item && !item->Deleted.empty()) gone.push_back(id);
    }
    if (gone.empty()) return;
    Push({"Restore " + Count(gone.size(), "item", "items"),
          [this, gone] {
              RequireItems(m_lib, gone);
              m_lib.Delete(gone);
          },
          [this, gone] {
              RequireItems(m_lib, gone);
              m_lib.Restore(gone);
          }});
}

void TEdits::SetFavourite(std::span<const ItemId> ids, bool favourite) {
    // Only those that change, so that the undo leaves the others as they were.
    std::vector<ItemId> changed;
    for (ItemId id : ids)
        if (const auto item = m_lib.Item(id); item && item->Favourite != favourite)
            changed.push_back(id);
    if (changed.empty()) return;
    const auto set = [this, changed](bool value) {
        RequireItems(m_lib, changed);
        for (ItemId id : changed) m_lib.SetFavourite(id, value);
    };
    Push({favourite ? "Mark as favourite" : "Unmark favourite",
          [set, favourite] { set(!favourite); }, [set, favourite] { set(favourite); }});
}

void TEdits::SetTagsAndNote(std::span<const ItemId> ids, const std::string& tags,
                            const std::string& note) {
    // The old tags and notes, grouped so that an undo writes each group at once.
    std::map<std::pair<std::string, std::string>, std::vector<ItemId>> old;
    std::vector<ItemId> all;
    for (ItemId id : ids)
        if (const auto item = m_lib.Item(id)) {
            old[{item->Tags, item->Note}].push_back(id);
            all.push_back(id);
        }
    if (all.empty()) return;
    Push({"Tags and note of " + Count(all.size(), "item", "items"),
          [this, old, all] {
              RequireItems(m_lib, all);
              for (const auto& [text, group] : old)
                  m_lib.SetTagsAndNote(group, text.first, text.second);
          },
          [this, all, tags, note] {
              RequireItems(m_lib, all);
              m_lib.SetTagsAndNote(all, tags, note);
          }});
}

// A list made by the caller, undone to the Deleted view, so that a redo brings back the same
// list.
ItemId TEdits::Made(ItemId list, const std::string& text) {
    m_undo.push_back({text,
                      [this, list] {
                          RequireList(m_lib, list);
                          m_lib.DeleteList(list);
                      },
                      [this, list] {
                          RequireList(m_lib, list);
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
    const auto found = m_lib.List(list);
    if (!found) return RequireList(m_lib, list);
    const std::string old = found->Name;
    Push({"Rename list " + old,
          [this, list, old] {
              RequireList(m_lib, list);
              m_lib.RenameList(list, old);
          },
          [this, list, name] {
              RequireList(m_lib, list);
              m_lib.RenameList(list, name);
          }});
}

void TEdits::DeleteList(ItemId list) {
    const auto found = m_lib.List(list);
    if (!found || !found->Deleted.empty()) return;
    Push({"Delete list " + found->Name,
          [this, list] {
              RequireList(m_lib, list);
              m_lib.RestoreList(list);
          },
          [this, list] {
              RequireList(m_lib, list);
              m_lib.DeleteList(list);
          }});
}

void TEdits::RestoreList(ItemId list) {
    const auto found = m_lib.List(list);
    if (!found || found->Deleted.empty()) return;
    Push({"Restore list " + found->Name,
          [this, list] {
              RequireList(m_lib, list);
              m_lib.DeleteList(list);
          },
          [this, list] {
              RequireList(m_lib, list);
              m_lib.RestoreList(list);
          }});
}

void TEdits::ChangePositions(ItemId list, const std::string& text,
                             const std::function<void()>& change) {
    RequireList(m_lib, list);
    const TPositions before = m_lib.ListPositions(list);
    change();
    const TPositions after = m_lib.ListPositions(list);
    if (after == before) return;
    // Another window or program may have changed the list since: that change stands.
    const auto set = [this, list](const TPositions& positions, const TPositions& expected) {
        RequireList(m_lib, list);
        if (m_lib.ListPositions(list) != expected)
            throw LibraryError("the list was changed meanwhile (by another program or window)");
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
