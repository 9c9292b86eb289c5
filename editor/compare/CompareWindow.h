#pragma once

// "Compare": the non-modal window that lists what differs between the current patch and
// another one (a slot, a patch file, a library kit), group by group, with both values as
// the controls show them. Taking a row sets the other's value in the current patch as an
// undoable edit that goes to the module like any edit. The window follows every change of
// the mirror and of the current patch while it is open; a file or a kit stays as it was
// read.

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "td7/history/EditHistory.h"
#include "td7/history/PatchCompare.h"

class QLabel;
class QModelIndex;
class QPushButton;
class QStandardItem;
class QStandardItemModel;
class QTimer;
class QTreeView;

namespace editor {

class ErrorDisplay;
class THelpWindow;
class TfmTamboro;

// The patch the current one is compared with.
struct TCompareOther {
    // A slot of the mirror (followed as it changes), or -1 for fixed bytes.
    int Slot = -1;
    // A patch file's or a kit's 1575 bytes, when Slot is -1.
    std::vector<std::uint8_t> Image;
    // How the title names it: "funk.syx", "library kit \"Funk!\""; a slot names itself.
    std::string Name;
};

class TfmCompare : public QWidget {
    Q_OBJECT
  public:
    TfmCompare(TfmTamboro& main, ErrorDisplay& errors, QString helpDir = {},
               QWidget* parent = nullptr);
    ~TfmCompare() override;

    void SetOther(TCompareOther other);
    // Compares again now (changes are otherwise gathered and compared once).
    void Refresh();

    const std::vector<td7::TCompareRow>& Rows() const { return m_rows; }
    // Sets row k's other value in the current patch through OnTake; the patch name is
    // not taken from here.
    void Take(int k);
    // The row the view's selection points at, or -1.
    int SelectedRow() const;

    QTreeView* Tree() const { return m_tree; }
    QStandardItemModel* Model() const { return m_model; }
    QLabel* CountLabel() const { return m_count; }
    QPushButton* TakeButton() const { return m_take; }

    // Runs one edit of the history: its label and the parameters it sets.
    std::function<void(std::string label, std::vector<td7::TParameterEdit> edits)> OnTake;

  private:
    void RefreshLater();
    // The view from the rows; `before` are the rows it showed until now.
    void Fill(const std::vector<td7::TCompareRow>& before);
    void UpdateTitle();
    void UpdateTakeButton();
    int RowOf(const QModelIndex& index) const;

    TfmTamboro& m_main;
    ErrorDisplay& m_errors;
    QString m_helpDir;
    std::unique_ptr<THelpWindow> m_help;
    TCompareOther m_other;
    std::vector<td7::TCompareRow> m_rows;
    std::vector<QStandardItem*> m_items;  // the view's item of each row
    QStandardItemModel* m_model;
    QTreeView* m_tree;
    QLabel* m_count;
    QPushButton* m_take;
    QTimer* m_refresh;
};

}  // namespace editor
