#include "editor/shell/EditCommands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QWidget>

#include <utility>

#include "editor/common/ErrorDisplay.h"
#include "editor/instrument/InstrumentWindow.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/MainWindow.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "editor/shell/StatusLine.h"
#include "midilink/DumpCollection.h"
#include "td7/map/PresentFlags.h"
#include "td7/history/SettingsCopy.h"
#include "td7/map/Td7Collections.h"

namespace editor {

TEditCommands::TEditCommands(TfmTamboro& main, TPatchEditor& editor, TfmInstrument& instruments,
                             std::vector<QWidget*> others)
    : m_main(main), m_editor(editor), m_instruments(instruments) {
    td7::TEditHistory& history = m_main.History();
    history.OnSelect = [this](const td7::TEditPlace& place) { Select(place); };
    history.OnApplied = [this](const td7::TEditPlace& place, bool wholeRecords) {
        Applied(place, wholeRecords);
    };
    // A step of a control ends when another one takes the focus (or the window loses it).
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget*) { m_main.History().EndMerge(); });

    MainMenu& menu = m_main.Menu();
    menu.Connect(TCommand::Undo, [this](int) { Undo(); });
    menu.Connect(TCommand::Redo, [this](int) { Redo(); });
    menu.Connect(TCommand::CopySettings, [this](int) { Copy(); });
    menu.Connect(TCommand::PasteSettings, [this](int) { Paste(); });
    // The secondary windows take the same shortcuts for undo and redo.
    for (QWidget* window : others)
        for (TCommand command : {TCommand::Undo, TCommand::Redo})
            if (QAction* action = menu.Action(command)) window->addAction(action);
    m_main.UpdateCommands();
}

TEditCommands::~TEditCommands() {
    td7::TEditHistory& history = m_main.History();
    history.OnSelect = nullptr;
    history.OnApplied = nullptr;
}

void TEditCommands::Undo() {
    if (m_main.Transfers().Busy()) return;
    Apply([this] { m_main.History().Undo(); });
}

void TEditCommands::Redo() {
    if (m_main.Transfers().Busy()) return;
    Apply([this] { m_main.History().Redo(); });
}

// The slot of a whole-patch step is shown once the history is done with the step: an empty
// slot's dialog may fill it, which is a step of its own.
void TEditCommands::Apply(const std::function<void()>& step) {
    m_showSlot.reset();
    try {
        step();
    } catch (...) {
        ShowSlot();
        throw;
    }
    ShowSlot();
}

// As a click on the slot shows it: an empty one asks how to fill it. The slot on show
// already is not announced to the module again.
void TEditCommands::ShowSlot() {
    const std::optional<int> p = std::exchange(m_showSlot, std::nullopt);
    if (!p) return;
    if (*p == m_main.CurrentPatch()) {
        m_editor.ShowSlotAgain();
        return;
    }
    m_editor.lbPatch()->SelectSilently(*p);
    m_editor.lbPatchClick();
}

void TEditCommands::Select(const td7::TEditPlace& place) {
    // Whole records (loads, moves) are shown after they are back: the slot may be empty
    // before, and showing an empty slot first would ask how to fill it.
    if (!place.Panel) return;
    switch (place.Collection) {
        case td7::Block::Prog:
        case td7::Block::Trigger:
        case td7::Block::Notemap: {
            const int p = td7::PatchOfRecord(place.Collection, place.Record);
            if (p != m_main.CurrentPatch()) ShowPatch(p);
            int entry = -1;
            if (place.Collection == td7::Block::Trigger) entry = place.Record % td7::kTriggersPerPatch;
            if (place.Panel == td7::PanelId::HihatPedal) entry = td7::kHihatPedalEntry;
            if (entry >= 0 && m_editor.coTrigger()->currentIndex() != entry) {
                m_editor.coTrigger()->setCurrentIndex(entry);
                m_editor.coTriggerChange();
            }
            if (place.Collection == td7::Block::Notemap) {
                const int n = place.Record % td7::kNotesPerPatch;
                if (m_editor.lbNotemap()->currentRow() != n) {
                    m_editor.lbNotemap()->SelectSilently(n);
                    m_editor.lbNotemapClick();
                }
            }
            break;
        }
        case td7::Block::Instrument:
            if (m_instruments.Instrument() != place.Record)
                m_instruments.SelectInstrument(place.Record);
            break;
        case td7::Block::System:
            break;
    }
}

void TEditCommands::ShowPatch(int p) {
    m_editor.lbPatch()->SelectSilently(p);
    // An empty slot is shown with editing off, without asking how to fill it.
    auto query = std::exchange(m_editor.OnQueryEmpty, nullptr);
    m_editor.lbPatchClick();
    m_editor.OnQueryEmpty = std::move(query);
}

void TEditCommands::Applied(const td7::TEditPlace& place, bool wholeRecords) {
    switch (place.Collection) {
        case td7::Block::Prog:
        case td7::Block::Trigger:
        case td7::Block::Notemap: {
            if (wholeRecords) {
                // Slots may have moved: every line, and the slot of the step shown afresh.
                m_editor.lbPatch()->viewport()->update();
                m_showSlot = place.Record;
                return;
            }
            // The bound controls show their record already; what else shows a parameter:
            // the patch list and name field (the name), the effect pages (the types), the
            // note-map lines (an entry's sounds and layer).
            const bool common = place.Panel == td7::PanelId::PatchCommon ||
                                place.Panel == td7::PanelId::Effect1 || place.Panel == td7::PanelId::Effect2;
            if (common)
                m_editor.PatchArrived(td7::PatchOfRecord(place.Collection, place.Record));
            else if (place.Panel == td7::PanelId::Notemap)
                m_editor.lbNotemap()->viewport()->update();
            break;
        }
        case td7::Block::Instrument:
            emit m_main.InstrumentRecordChanged(wholeRecords ? -1 : place.Record);
            break;
        case td7::Block::System:
            break;
    }
}

bool TEditCommands::NotemapFocused() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == m_editor.lbNotemap() || m_editor.lbNotemap()->isAncestorOf(focus));
}

void TEditCommands::Copy() {
    const int p = m_main.CurrentPatch();
    if (!m_main.PatchEditing() || !m_main.Present().PatchPresent(p)) return;
    const int t = m_editor.coTrigger()->currentIndex();
    if (NotemapFocused()) {
        const int n = m_editor.lbNotemap()->currentRow();
        m_copied = TCopiedSettings{
            td7::PanelId::Notemap, td7::CopySettings(m_main.Dumps(), td7::PanelId::Notemap, td7::NotemapRecord(p, n))};
    } else if (t == td7::kHihatPedalEntry) {
        m_copied = TCopiedSettings{td7::PanelId::HihatPedal,
                                   td7::CopySettings(m_main.Dumps(), td7::PanelId::HihatPedal, p)};
    } else if (t >= 0) {
        m_copied = TCopiedSettings{
            td7::PanelId::Trigger, td7::CopySettings(m_main.Dumps(), td7::PanelId::Trigger, td7::TriggerRecord(p, t))};
    }
    if (m_copied) m_main.Status().SetText(QString::fromStdString(td7::CopiedText(m_copied->Panel)));
}

void TEditCommands::Paste() {
    const int p = m_main.CurrentPatch();
    if (!m_main.PatchEditing() || !m_main.Present().PatchPresent(p)) return;
    if (!m_copied) {
        m_main.Status().SetText(
            QStringLiteral("Copy a trigger, the pedal or a note-map entry first"));
        QApplication::beep();
        return;
    }
    const int t = m_editor.coTrigger()->currentIndex();
    int record = -1;
    switch (m_copied->Panel) {
        case td7::PanelId::Notemap:
            record = td7::NotemapRecord(p, m_editor.lbNotemap()->currentRow());
            break;
        case td7::PanelId::HihatPedal:
            if (t == td7::kHihatPedalEntry) record = p;
            break;
        default:
            if (t >= 0 && t < td7::kHihatPedalEntry) record = td7::TriggerRecord(p, t);
            break;
    }
    // The pedal's settings fit only the pedal, and a trigger's only a trigger.
    if (record < 0) {
        m_main.Status().SetText(QString::fromStdString(td7::PasteRefusedText(m_copied->Panel)));
        QApplication::beep();
        return;
    }
    const int changed = m_main.History().SetParameters(
        td7::PasteLabel(m_copied->Panel), td7::RetargetedSettings(m_copied->Values, record));
    // The trigger's note may have moved: the note-map entry follows it, as on a choice.
    if (changed > 0 && m_copied->Panel != td7::PanelId::Notemap) m_editor.coTriggerChange();
}

}  // namespace editor
