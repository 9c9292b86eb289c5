#pragma once

// The Edit menu: undo and redo of the user's changes on all three windows, and copy and
// paste of a trigger's, the pedal's or a note-map entry's settings. The history itself is
// the main window's (td7/history/EditHistory); this shows each step's place before it is undone
// and brings the windows up to date after.

#include <functional>
#include <optional>
#include <vector>

#include <QObject>

#include "td7/history/EditHistory.h"

class QWidget;

namespace editor {

class TPatchEditor;
class TfmInstrument;
class TfmTamboro;

// What Copy took: the panel and its parameters' values in table order.
struct TCopiedSettings {
    td7::PanelId Panel = td7::PanelId::Trigger;
    std::vector<td7::TParameterEdit> Values;  // Record as copied; pasting retargets it
};

class TEditCommands : public QObject {
    Q_OBJECT
  public:
    // `others`: the secondary windows, where Ctrl+Z and its kin work as well.
    TEditCommands(TfmTamboro& main, TPatchEditor& editor, TfmInstrument& instruments,
                  std::vector<QWidget*> others);
    ~TEditCommands() override;

    void Undo();
    void Redo();
    // The note-map entry when the note-map list has the focus, else the trigger panel's
    // trigger or pedal.
    void Copy();
    void Paste();
    const std::optional<TCopiedSettings>& Copied() const { return m_copied; }

  private:
    void Select(const td7::TEditPlace& place);
    void Applied(const td7::TEditPlace& place, bool wholeRecords);
    void ShowPatch(int p);
    void Apply(const std::function<void()>& step);
    void ShowSlot();
    bool NotemapFocused() const;

    TfmTamboro& m_main;
    TPatchEditor& m_editor;
    TfmInstrument& m_instruments;
    std::optional<TCopiedSettings> m_copied;
    std::optional<int> m_showSlot;  // after a whole-patch step: the slot to show
};

}  // namespace editor
