#pragma once

#include <cstdint>
#include <vector>

#include <QDialog>

#include "editor/patch/PatchEditor.h"

class QLabel;
class QPushButton;

namespace editor {

class TfmTamboro;

// `fmQueryEmpty`: asked when the user selects an empty patch slot. The slot is filled
// either from the default patch or by requesting it from the module; Cancel (or Escape)
// leaves it empty.
class TfmQueryEmpty : public QDialog {
    Q_OBJECT
  public:
    // The size at the normal font; a larger one makes the dialog larger.
    static constexpr int kClientWidth = 280;
    static constexpr int kClientHeight = 110;

    explicit TfmQueryEmpty(TfmTamboro& main, QWidget* parent = nullptr);

    // Shows the dialog modally for slot p. Filled when the user chose Initialize or
    // Request, even if that action then failed (its error has been shown).
    TEmptySlotAnswer Query(int p);

    // Initialize: slot p from the default patch; nothing is sent to the module.
    void Button1Click();
    // Request: slot p from the module.
    void Button2Click();

    QPushButton* btnInitialize() const { return m_initialize; }
    QPushButton* btnRequest() const { return m_request; }
    QPushButton* btnCancel() const { return m_cancel; }
    QLabel* laText() const { return m_text; }
    int Slot() const { return m_slot; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void Arrange();
    // The result is set first: an action that fails still closes the dialog with OK.
    void Choose(void (TfmQueryEmpty::*action)());

    TfmTamboro& m_main;
    int m_slot = 0;
    QLabel* m_icon = nullptr;
    QLabel* m_text = nullptr;
    QPushButton* m_initialize = nullptr;
    QPushButton* m_request = nullptr;
    QPushButton* m_cancel = nullptr;
};

// The default patch as the program carries it: the "iniPatch" resource.
std::vector<std::uint8_t> DefaultPatchResource();

}  // namespace editor
