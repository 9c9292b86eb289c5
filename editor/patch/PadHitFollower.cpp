#include "editor/patch/PadHitFollower.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include <utility>

#include "editor/patch/DrumKit.h"
#include "editor/shell/MainWindow.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchLayout.h"
#include "editor/patch/PatchList.h"
#include "editor/patch/PatchPanel.h"
#include "editor/shell/StatusLine.h"
#include "editor/patch/VelocityRow.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Map.h"

namespace editor {

TPadHitFollower::TPadHitFollower(TfmTamboro& main, TPatchEditor& patch)
    : m_main(main), m_patch(patch) {
    setObjectName(QStringLiteral("PadHitFollower"));
    m_row = new TVelocityRow(patch.Panel("gbTrigger"));
    Place(m_row, kVelocityRowRect);
    // The link reports each hit while it drains the input; they are handled together once
    // the drain is over and the window's other events have had their turn, and no sooner
    // than a frame after the hits handled last.
    m_main.Session().OnPadHit = [this] {
        if (m_main.Transfers().Busy() || UserBusy()) m_keepSelection = true;
        if (m_handlingQueued) return;
        m_handlingQueued = true;
        const auto since = std::chrono::steady_clock::now() - m_lastHandled;
        const auto wait = since >= kFrame
                              ? std::chrono::milliseconds(0)
                              : std::chrono::ceil<std::chrono::milliseconds>(kFrame - since);
        QTimer::singleShot(wait, Qt::PreciseTimer, this, [this] { HandleHits(); });
    };
}

TPadHitFollower::~TPadHitFollower() {
    m_main.Session().OnPadHit = nullptr;
}

bool TPadHitFollower::UserBusy() const {
    if (QApplication::mouseButtons() != Qt::NoButton) return true;
    if (QApplication::activePopupWidget() != nullptr) return true;
    return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr;
}

void TPadHitFollower::HandleHits() {
    m_handlingQueued = false;
    m_lastHandled = std::chrono::steady_clock::now();
    const bool keepSelection = std::exchange(m_keepSelection, false);
    const std::vector<td7::TPadHit> hits = m_main.Session().PadHits().Take();
    const int p = m_patch.lbPatch()->currentRow();
    if (hits.empty() || p < 0) return;
    SelectionChanged();
    // An empty slot has no triggers to hit.
    if (!m_main.Present().PatchPresent(p)) return;
    std::optional<int> last;
    int lastVelocity = 0;
    for (const td7::TPadHit& hit : hits) {
        const std::optional<int> t = td7::TriggerOfNote(m_main.Dumps(), p, hit.Note);
        if (!t) continue;
        m_history.Add(*t, hit.Velocity);
        m_patch.DrumKit()->Flash(*t, hit.Velocity);
        last = t;
        lastVelocity = hit.Velocity;
    }
    if (!last) return;
    m_main.Status().SetText(
        QStringLiteral("%1 %2")
            .arg(QString::fromLatin1(td7::TriggerTable()[static_cast<std::size_t>(*last)].SelectorText))
            .arg(lastVelocity, 3));
    if (!keepSelection && !m_main.Transfers().Busy() && !UserBusy() && m_main.PatchEditing())
        m_patch.SelectPad(*last);
    SelectionChanged();
}

void TPadHitFollower::SelectionChanged() {
    const int p = m_patch.lbPatch()->currentRow();
    // Velocities belong to the settings of one patch's triggers.
    if (p != m_patchShown) {
        m_history.Clear();
        m_patchShown = p;
    }
    const int t = m_patch.coTrigger()->currentIndex();
    m_row->SetVelocities(t >= 0 ? m_history.Of(t) : std::vector<int>{});
}

}  // namespace editor
