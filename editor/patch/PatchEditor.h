#pragma once

// The patch editor on the main window: the panels of one patch (common block, effects,
// hi-hat pedal, one trigger picked on the drum kit, one note-map entry), the selections
// that pick the current records and retarget the bound controls, the owner-drawn lists,
// the name field, the program change and audition messages, and the menu commands of the
// window that concern the patch.

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include <QObject>

#include "editor/common/BoundControls.h"

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace controls {
class TMidiCheckBox;
class TMidiComboBox;
class TMidiKnob;
class TMidiUpDown;
}  // namespace controls

namespace td7 {
class TPresentFlags;
}  // namespace td7

namespace editor {

class TDrumKit;
class THelpWindow;
class TOwnerDrawList;
class TPadHitFollower;
class TPatchNameEdit;
class TPatchPanel;
class TfmTamboro;
class TfmViewSysex;

// A refused command of the patch editor, with the text the error box shows.
class PatchEditorError : public std::runtime_error {
  public:
    explicit PatchEditorError(const std::string& text) : std::runtime_error(text) {}
};

// What the empty-patch dialog did with an empty slot.
enum class TEmptySlotAnswer { Filled, Cancel };

class TPatchEditor : public QObject {
    Q_OBJECT
  public:
    TPatchEditor(TfmTamboro& main, TfmViewSysex& viewer);
    ~TPatchEditor() override;
    TPatchEditor(const TPatchEditor&) = delete;
    TPatchEditor& operator=(const TPatchEditor&) = delete;

    // Selections; see the comments in the source for their steps.
    void lbPatchClick();
    // The selected slot shown afresh as a click shows it (asking how to fill it when it is
    // empty), without announcing it to the module: the module plays it already.
    void ShowSlotAgain();
    void coTriggerChange();
    void lbNotemapClick();
    void Effect1TypeChange();
    void Effect2TypeChange();
    // Patch editing on or off (the main window's state, and the panels with it).
    void SetPatchEditing(bool on);
    // The name field from the current patch: its six characters, or "Empty ".
    void ShowPatchName();
    // Line p of the patch list drawn again (after its name or presence changed).
    void RefreshPatchLine(int p);
    // After patch p arrived or was loaded whole: list line, name field, effect pages.
    void PatchArrived(int p);

    // Handlers of the window's own controls, callable as the user's actions.
    void shPadMouseUp(int tag);
    // The trigger of the pad selected as a click selects it, without the audition note.
    void SelectPad(int tag);
    void xxNoteNrClick(controls::TMidiComboBox* sender);
    void edNameExit();
    void cbRxProgramClick();
    void btnSound1Click();
    void btnSound2Click();
    // Menu commands.
    void PatchCommon1Click();
    void TomTrigger1Click();
    void Notemap1Click();
    void miHelpContentsClick();
    void HelpContext();

    // The empty-patch dialog for slot p; until one is attached an empty slot is shown
    // with editing off.
    std::function<TEmptySlotAnswer(int p)> OnQueryEmpty;
    // The instrument editor on instrument i (the "..." buttons of the sound boxes).
    std::function<void(int instrument)> OnShowInstrument;

    // The window's parts.
    TOwnerDrawList* lbPatch() const { return m_lbPatch; }
    TOwnerDrawList* lbNotemap() const { return m_lbNotemap; }
    QComboBox* coTrigger() const { return m_coTrigger; }
    TPatchNameEdit* edName() const { return m_edName; }
    TDrumKit* DrumKit() const { return m_drumKit; }
    QStackedWidget* Effect1Notebook() const { return m_effect1Notebook; }
    QStackedWidget* Effect2Notebook() const { return m_effect2Notebook; }
    QPushButton* btnSound1() const { return m_btnSound1; }
    QPushButton* btnSound2() const { return m_btnSound2; }
    TPatchPanel* Panel(std::string_view name) const;
    TBoundControls& Controls() { return m_controls; }
    template <class T>
    T* Control(std::string_view name) const {
        return m_controls.As<T>(name);
    }
    THelpWindow& Help();
    TPadHitFollower& PadHits() { return *m_padHits; }

  private:
    // A click's work on the selected slot; `announce`: the program change goes out.
    void ShowSelectedSlot(bool announce);
    void BuildPanels();
    void BuildControls();
    void BuildFurniture();
    void ConnectHandlers();
    void ConnectMenu();
    void AttachToMain();

    int P() const;
    int T() const;
    int N() const;
    void RetargetPatchPanels(int p);
    void CancelPatchSelection();
    void SetTriggerDefaults(int t);
    void UpdateMoveMenus(int p);
    void PresentChanged();
    void InstrumentChanged(int i);
    void RepaintNoteCombos();
    void SoundButtonClick(const char* combo);
    void Run(const std::function<void()>& action);

    TfmTamboro& m_main;
    TfmViewSysex& m_viewer;
    std::function<void(td7::TPresentFlags*)> m_previousPresentChange;
    TBoundControls m_controls;
    std::unique_ptr<THelpWindow> m_help;
    std::unique_ptr<TPadHitFollower> m_padHits;

    std::vector<TPatchPanel*> m_panels;
    TOwnerDrawList* m_lbPatch = nullptr;
    TOwnerDrawList* m_lbNotemap = nullptr;
    QComboBox* m_coTrigger = nullptr;
    TPatchNameEdit* m_edName = nullptr;
    TDrumKit* m_drumKit = nullptr;
    QStackedWidget* m_effect1Notebook = nullptr;
    QStackedWidget* m_effect2Notebook = nullptr;
    QPushButton* m_btnSound1 = nullptr;
    QPushButton* m_btnSound2 = nullptr;
    controls::TMidiComboBox* m_txNoteNr = nullptr;
    controls::TMidiComboBox* m_pxNoteNr = nullptr;
    controls::TMidiCheckBox* m_cbRxProgram = nullptr;
    controls::TMidiUpDown* m_udProgram = nullptr;
};

}  // namespace editor
