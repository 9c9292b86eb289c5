#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "editor/common/BoundControls.h"
#include "editor/common/SetupDialog.h"

namespace midilink {
class TMidiLink;
}

namespace td7 {
class TPresentFlags;
class TEditHistory;
class TTd7Collections;
}  // namespace td7

namespace editor {

class ErrorDisplay;
class TfmTamboro;
class TfmViewSysex;
class TInstrumentList;
class TNameEdit;
class TPatchLookupSwitch;
class TPatchPanel;

// What the instrument editor works on: the main window's mirror and link.
struct TInstrumentServices {
    td7::TTd7Collections* Dumps = nullptr;
    midilink::TMidiLink* Link = nullptr;  // MidiCompLink1
    td7::TEditHistory* History = nullptr;      // none: edits are not undoable
    td7::TPresentFlags* Present = nullptr;
    TfmViewSysex* Viewer = nullptr;
    ErrorDisplay* Errors = nullptr;  // none: failures go to the controls' error handler
};

// `fmInstrument` ("Edit Instruments..."): the 512 instruments by name, and the selected
// one's name, type and bound parameters, with the patches that use it. The selected
// instrument is the current record of InstrumentDump, and the bound controls' templates
// address it.
class TfmInstrument : public TSetupDialog {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 361;
    static constexpr int kClientHeight = 276;

    explicit TfmInstrument(TInstrumentServices services, QWidget* parent = nullptr);
    ~TfmInstrument() override;

    // The sound buttons of the main window: select instrument i, then show the window
    // modally (showing makes it current).
    int ShowInstrument(int i);

    // Makes the selected instrument current and shows it (lbInstClick).
    void lbInstClick();
    // Selects instrument i as a click on its line does.
    void SelectInstrument(int i);
    // The instrument the window shows, 0..511.
    int Instrument() const { return m_instrument; }
    // Instrument i's record changed (or every record, for -1): from the module or a loaded
    // file. An open window redraws its line, and the name fields when it is the shown one.
    void InstrumentChanged(int i);

    // "Enable patch lookup", kept in the settings.
    bool LookupPatches() const;
    void SetLookupPatches(bool on);
    // The user turned the lookup switch.
    std::function<void(bool on)> OnLookupChange;
    // Runs at each showing before the instrument is shown.
    std::function<void()> OnShowing;

    TInstrumentList* lbInst() const { return m_list; }
    TPatchPanel* gbInst() const { return m_panel; }
    TNameEdit* edName() const { return m_name; }
    TNameEdit* edName2() const { return m_type; }
    TPatchLookupSwitch& Lookup() const { return *m_lookup; }
    // A bound control by its name ("Pitch"), or nullptr.
    QWidget* Control(std::string_view name) const { return m_controls.Widget(name); }

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void MakeControls();
    // Shows the record's name and type; with keepEdits, a field the user has typed in keeps
    // its text, to be stored when it is left.
    void ShowName(bool keepEdits = false);
    std::string LookupText();
    std::string LineText(int i);
    void edNameExit();
    void edName2Exit();
    void Button2Click();

    // Runs a name field's store as an undo step (when there is a history).
    void StoreCharacters(const char* label, int first, int count,
                         const std::function<void()>& store);

    TInstrumentServices m_services;
    TInstrumentList* m_list;
    TPatchPanel* m_panel;
    TNameEdit* m_name;
    TNameEdit* m_type;
    std::unique_ptr<TPatchLookupSwitch> m_lookup;
    TBoundControls m_controls;
    int m_instrument = 0;
};

// The window over the main window's mirror, link and error display, with the viewer;
// "&Instruments" > "&Edit" opens it. At each showing it takes the main window's colour
// and lookup setting, and the switch writes the setting back.
std::unique_ptr<TfmInstrument> MakeInstrumentWindow(TfmTamboro& main, TfmViewSysex& viewer);

}  // namespace editor
