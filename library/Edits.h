#pragma once

// The library's edits as the Library window makes them, each with its inverse, on an undo
// and a redo stack that last for the session. One rule for every undo and redo: it acts only
// while what the step changed still is as the step left it. When another program (or
// window) removed or changed it meanwhile, it raises LibraryError "Cannot undo ...: ..." and
// drops the step; the library stays as it was, so that nobody's later change is erased.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "library/Library.h"

namespace library {

class TEdits {
  public:
    explicit TEdits(TLibrary& lib) : m_lib(lib) {}

    TLibrary& Library() { return m_lib; }

    void Delete(std::span<const ItemId> ids);
    void Restore(std::span<const ItemId> ids);
    void SetFavourite(std::span<const ItemId> ids, bool favourite);
    void SetTagsAndNote(std::span<const ItemId> ids, const std::string& tags,
                        const std::string& note);
    // Tags added to and removed from each kit's own (any case counts as the same tag), and
    // the note set where `note` holds one: several kits edited at once keep what was theirs.
    void ChangeTags(std::span<const ItemId> ids, std::span<const std::string> added,
                    std::span<const std::string> removed, const std::optional<std::string>& note);

    ItemId CreateList(const std::string& name, std::span<const ItemId> kits);
    ItemId DuplicateList(ItemId list, const std::string& name);
    void RenameList(ItemId list, const std::string& name);
    void DeleteList(ItemId list);
    void RestoreList(ItemId list);
    void SetListKits(ItemId list, std::span<const ItemId> kits);
    void PutInList(ItemId list, int position, ItemId kit);
    void ClearPosition(ItemId list, int position);
    void SwapPositions(ItemId list, int from, int to);
    void MovePosition(ItemId list, int from, int to);

    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    // "Delete 3 kits", "Rename list Friday": what the menu names.
    std::string UndoText() const { return CanUndo() ? m_undo.back().Text : std::string(); }
    std::string RedoText() const { return CanRedo() ? m_redo.back().Text : std::string(); }
    void Undo();
    void Redo();
    // Forgets every step: after a restore they would act on another library's items.
    void Clear() {
        m_undo.clear();
        m_redo.clear();
    }

  private:
    // A kit as a step holds it: a restored backup or a removed kit may give its ID to another.
    struct TKit {
        ItemId Id;
        std::string Hash;
    };
    std::vector<TKit> Kits(std::span<const ItemId> ids,
                           const std::function<bool(const TItem&)>& which);
    // The kits as they are now; LibraryError when one is gone or not as `still` wants it.
    std::vector<TItem> Still(const std::vector<TKit>& kits,
                             const std::function<bool(const TItem&, std::size_t)>& still);
    TList StillList(ItemId list, const std::function<bool(const TList&)>& still);
    // Tags and note of each kit as `of` makes them from the kit's own, as one step.
    void SetEach(std::span<const ItemId> ids,
                 const std::function<std::pair<std::string, std::string>(const TItem&)>& of);
    struct TStep {
        std::string Text;
        std::function<void()> Undo;
        std::function<void()> Redo;
    };
    void Push(TStep step);
    void Replay(std::vector<TStep>& from, std::vector<TStep>& to, bool undo);
    ItemId Made(ItemId list, const std::string& text);
    // A change of the list's positions, undone by setting the positions it had.
    void ChangePositions(ItemId list, const std::string& text, const std::function<void()>& change);

    TLibrary& m_lib;
    std::vector<TStep> m_undo;
    std::vector<TStep> m_redo;
};

}  // namespace library
