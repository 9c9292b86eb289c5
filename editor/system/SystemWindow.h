#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "editor/common/BoundControls.h"
#include "editor/common/SetupDialog.h"

class QLineEdit;

namespace midilink {
class TMidiLink;
}

namespace td7 {
class TEditHistory;
class TTd7Collections;
}  // namespace td7

namespace editor {

class ErrorDisplay;
class TfmTamboro;
class TfmViewSysex;
class TPatchPanel;

// What the system window works on: the main window's mirror and link.
struct TSystemServices {
    td7::TTd7Collections* Dumps = nullptr;
    midilink::TMidiLink* Link = nullptr;  // MidiCompLink1
    td7::TEditHistory* History = nullptr;      // none: edits are not undoable
    TfmViewSysex* Viewer = nullptr;
    ErrorDisplay* Errors = nullptr;  // none: failures go to the controls' error handler
};

// `fmSystem` ("System Setup..."): every parameter of the one system record as a bound
// control. Its templates keep the block's fixed address; the controls follow the record
// also while the window is closed.
class TfmSystem : public TSetupDialog {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 306;
    static constexpr int kClientHeight = 273;

    explicit TfmSystem(TSystemServices services, QWidget* parent = nullptr);
    ~TfmSystem() override;

    TPatchPanel* gbSystem() const { return m_panel; }
    // A bound control by its name ("Prf2Chan"), or nullptr.
    QWidget* Control(std::string_view name) const { return m_controls.Widget(name); }
    // The read-only field of an up-down ("TrigTxCh" gives edTrigTxCh), or nullptr.
    QLineEdit* Field(std::string_view upDown) const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void MakeControls();
    void Button2Click();

    TSystemServices m_services;
    TPatchPanel* m_panel;
    TBoundControls m_controls;
};

// The window over the main window's mirror, link and error display, with the viewer;
// "&System" > "&Edit..." opens it in the main window's colour.
std::unique_ptr<TfmSystem> MakeSystemWindow(TfmTamboro& main, TfmViewSysex& viewer);

}  // namespace editor
