#pragma once

// "Library": the non-modal window of the kit library. A search field that filters as one
// types, filters for favourites and kind, the items as a lazily loaded table with a detail
// line, the actions on the selection, the Deleted view, and the lists (banks of 32
// positions) beside it, edited by menu and by drag. Its own undo and redo (Ctrl+Z,
// Ctrl+Shift+Z or Ctrl+Y) take back deletes, tags, notes, favourites and list edits for the session.
// Files and folders dropped on it are imported. Nothing is sent to the module from here: a
// kit put into a slot changes the mirror only, as Patch > Load does.

#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "library/Edits.h"
#include "library/Library.h"

class QCheckBox;
class QComboBox;
class QDragMoveEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class QTimer;

namespace editor {

class ErrorDisplay;
class MessageBoxes;
class TLibraryModel;
class TSearchTagCompleter;
class THelpWindow;

// The role of the list widgets' lines that holds a list's or a kit's ID.
inline constexpr int kLibraryIdRole = Qt::UserRole + 1;

// What the window does to the editor, wired by the editor's windows.
struct TLibraryTarget {
    std::function<int()> CurrentPatch;
    // The current slot's kit as a patch file holds it; empty when the slot is empty.
    std::function<library::Bytes()> CurrentKit;
    // Puts an item into the mirror (a kit into slot p) and refreshes what shows it.
    std::function<void(library::TKind kind, const library::Bytes& item, int p)> Put;
    // Puts kits into slots 1..N (N of them; an empty one leaves its slot as it is) as one
    // change, and refreshes what shows them.
    std::function<void(const std::vector<std::optional<library::Bytes>>& kits)> PutKits;
    // A transfer runs: the mirror must not change under it.
    std::function<bool()> Busy;
    // The mirror's 32 patches as the module sends them; nothing for an empty slot.
    std::function<std::vector<std::optional<library::Bytes>>()> ModulePatches;
    // Opens the compare window with the current patch and this kit.
    std::function<void(const library::Bytes& kit, const std::string& name)> Compare;
};

class TfmLibrary : public QWidget {
    Q_OBJECT
  public:
    TfmLibrary(library::TLibrary& lib, TLibraryTarget target, ErrorDisplay& errors,
               QString helpDir = {}, QWidget* parent = nullptr);
    ~TfmLibrary() override;

    TLibraryModel& Model() { return *m_model; }
    QTableView* Table() const { return m_table; }
    QLineEdit* SearchField() const { return m_search; }
    const QLabel* Detail() const { return m_detail; }
    TSearchTagCompleter* SearchTags() const { return m_searchTags; }

    // The actions, as the buttons run them (dialogs asked before).
    std::vector<library::ItemId> SelectedIds() const;
    void PutSelected(int p);
    void AddCurrentPatch();
    void ToggleFavourite();
    void SetTagsAndNote(const std::string& tags, const std::string& note);
    // "Tags and Note...": one kit's fields, or what several kits share.
    void EditTagsAndNote();
    void DeleteSelected();  // asks first
    // The Deleted view: what was deleted, to restore or to remove for good.
    void ShowDeleted(bool deleted);
    void RestoreSelected();
    void EmptyDeleted();  // asks first
    void Undo();
    void Redo();
    library::TEdits& Edits() { return m_edits; }
    void BackUp(const std::filesystem::path& file);
    // Replaces the library's content with the backup's (asks first, naming it), forgets the
    // window's undo steps and shows the library again.
    void RestoreLibrary(const std::filesystem::path& backup);
    // The current list's positions (from 0), with the first selected kit.
    void PutIntoList(int position);
    void ClearListPosition(int position);
    void SwapListPositions(int from, int to);
    void RenameList(const std::string& name);
    void DuplicateList(const std::string& name);
    // Which positions differ from the module's patches; said in a box.
    std::vector<int> CompareListWithModule();
    // The first selected kit (as a version seen when it was last seen), then its other
    // versions, newest first: the lines of the versions dialog.
    std::vector<library::TVersion> SelectedVersions();
    // Two versions in the compare window. The one that is the current patch takes the
    // other's values; when neither is, the first is loaded into the current slot (asks
    // first; one step of Edit > Undo) and compared with the second.
    // Whether the compare window opened (not when the load it needs was declined).
    bool CompareVersions(const library::TVersion& first, const library::TVersion& second);
    QListWidget* ListPositions() const { return m_listKits; }
    void MakeList(const std::string& name);
    void LoadListIntoSlots();  // asks first, naming the slots
    void SaveListAs(const std::filesystem::path& file);
    void Import(const std::vector<std::filesystem::path>& paths);
    // Reads the lists again, keeping the chosen one.
    void RefreshLists();
    // Shows the library again when another program changed it since the window last looked;
    // returns whether it had.
    bool FollowFile();
    // LibraryError, after showing the library as it is, when another program changed it since
    // the window last looked: what an action on what the user sees calls first.
    void RequireShown();
    // Drops of library items on `list` (the patch list) put the kit into that line's slot.
    void AcceptKitDropsOn(QListWidget* list);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyFilter();
    // After a change to the items: the query again, the same items selected.
    void RefreshKeepingSelection();
    void UpdateDetail();
    void ShowListKits();
    void ShowVersions();
    // Whether a library kit's bytes are those of the current patch.
    bool IsCurrentPatch(const library::Bytes& kit);
    void ListMenu(const QPoint& at);
    bool ListPositionEvent(QEvent* event);
    // Accepts a drag of library kits (or of the list's own line, `own`) over a line.
    static void AnswerDrag(QDragMoveEvent& drag, const QListWidget& list, bool own);
    // After an edit, undo or redo: the table, the lists and the undo buttons again.
    void Edited();
    std::string AskTags(const std::string& tags, bool& ok,
                        const QString& label = QStringLiteral("Tags:"));
    library::ItemId CurrentList() const;
    void Run(const std::function<void()>& command);

    library::TLibrary& m_lib;
    library::TEdits m_edits;
    TLibraryTarget m_target;
    ErrorDisplay& m_errors;
    QString m_helpDir;
    std::unique_ptr<THelpWindow> m_help;
    TLibraryModel* m_model;
    QLineEdit* m_search;
    TSearchTagCompleter* m_searchTags;
    QCheckBox* m_favourites;
    QCheckBox* m_deleted;
    QPushButton* m_undo;
    QPushButton* m_redo;
    QComboBox* m_kind;
    QTableView* m_table;
    QLabel* m_detail;
    QString m_searchProblem;  // why the search field's text finds nothing, while it cannot
    QListWidget* m_lists;
    QListWidget* m_listKits;
    QTimer* m_searchDelay;
    QTimer* m_follow;  // looks whether another program changed the library
    std::int64_t m_seenVersion = 0;
    QListWidget* m_dropTarget = nullptr;
};

}  // namespace editor
