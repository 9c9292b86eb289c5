// The Library window's list positions: put, cleared, swapped by menu and by drag, and the
// list renamed, duplicated and compared with the module.
#include "editor/library/LibraryWindow.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QInputDialog>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>

#include "editor/library/LibraryModel.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/common/MessageBoxes.h"

namespace editor {

void TfmLibrary::PutIntoList(int position) {
    const auto list = CurrentList();
    const auto ids = SelectedIds();
    if (list == 0 || ids.empty()) return;
    RequireShown();
    const auto item = m_lib.Item(ids.front());
    if (!item || item->Kind != library::TKind::Kit)
        throw library::LibraryError("Only a kit can go into a list");
    m_edits.PutInList(list, position, item->Id);
    Edited();
}

void TfmLibrary::ClearListPosition(int position) {
    if (CurrentList() == 0) return;
    m_edits.ClearPosition(CurrentList(), position);
    Edited();
}

void TfmLibrary::SwapListPositions(int from, int to) {
    if (CurrentList() == 0 || from == to) return;
    m_edits.SwapPositions(CurrentList(), from, to);
    Edited();
}

void TfmLibrary::RenameList(const std::string& name) {
    if (CurrentList() == 0) return;
    m_edits.RenameList(CurrentList(), name);
    Edited();
}

void TfmLibrary::DuplicateList(const std::string& name) {
    if (CurrentList() == 0) return;
    const auto copy = m_edits.DuplicateList(CurrentList(), name);
    Edited();
    for (int row = 0; row < m_lists->count(); ++row)
        if (m_lists->item(row)->data(kLibraryIdRole).toLongLong() == copy) m_lists->setCurrentRow(row);
}

std::vector<int> TfmLibrary::CompareListWithModule() {
    const auto list = CurrentList();
    if (list == 0 || !m_target.ModulePatches) return {};
    const auto differ = m_lib.CompareList(list, m_target.ModulePatches());
    QStringList positions;
    for (int p : differ) positions << QString::number(p + 1);
    m_errors.Boxes().Information(
        differ.empty()
            ? QStringLiteral("The module's patches match the list \"%1\" at every position "
                             "that holds a kit.")
                  .arg(m_lists->currentItem()->text())
            : QStringLiteral("The module's patches differ from the list \"%1\" at %2 %3.")
                  .arg(m_lists->currentItem()->text(),
                       differ.size() == 1 ? QStringLiteral("position")
                                          : QStringLiteral("positions"),
                       positions.join(QStringLiteral(", "))),
        this);
    return differ;
}

void TfmLibrary::ListMenu(const QPoint& at) {
    const int row = m_listKits->indexAt(at).row();
    if (row < 0 || CurrentList() == 0) return;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Put Selected Kit Here"), this,
                   [this, row] { Run([this, row] { PutIntoList(row); }); });
    menu.addAction(QStringLiteral("Clear Position"), this,
                   [this, row] { Run([this, row] { ClearListPosition(row); }); });
    menu.addAction(QStringLiteral("Swap with Position..."), this, [this, row] {
        Run([this, row] {
            bool ok = false;
            const int other = QInputDialog::getInt(this, QStringLiteral("Swap Positions"),
                                                   QStringLiteral("Swap with position:"), 1, 1,
                                                   library::kMaxListKits, 1, &ok);
            if (ok) SwapListPositions(row, other - 1);
        });
    });
    menu.exec(m_listKits->viewport()->mapToGlobal(at));
}

void TfmLibrary::AnswerDrag(QDragMoveEvent& drag, const QListWidget& list, bool own) {
    const bool fits = (own || !TLibraryModel::IdsOf(drag.mimeData()).empty()) &&
                      list.indexAt(drag.position().toPoint()).isValid();
    if (fits)
        drag.acceptProposedAction();
    else
        drag.ignore();
}

bool TfmLibrary::ListPositionEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            AnswerDrag(*drag, *m_listKits, drag->source() == m_listKits);
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const int row = m_listKits->indexAt(drop->position().toPoint()).row();
            if (row < 0) return true;
            drop->acceptProposedAction();
            if (drop->source() == m_listKits) {
                const int from = m_listKits->currentRow();
                Run([&] {
                    RequireShown();
                    SwapListPositions(from, row);
                });
                return true;
            }
            const auto ids = TLibraryModel::IdsOf(drop->mimeData());
            Run([&] {
                const auto item = ids.empty() ? std::nullopt : m_lib.Item(ids.front());
                if (!item || item->Kind != library::TKind::Kit)
                    throw library::LibraryError("Only a kit can go into a list");
                if (CurrentList() == 0) return;
                RequireShown();
                m_edits.PutInList(CurrentList(), row, item->Id);
                Edited();
            });
            return true;
        }
        default:
            return false;
    }
}

}  // namespace editor
