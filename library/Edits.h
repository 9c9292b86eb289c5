#pragma once

// The library's edits as the Library window makes them, each with its inverse, on an undo
// and a redo stack that last for the session. An undo that the library no longer allows
// (another program removed the kit or the list meanwhile) raises LibraryError "Cannot undo
// ...: ..." and drops the step; the library stays as it was.

#include <functional>
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
