#pragma once

// The instrument window's patch lookup on screen: the switch "Enable patch lookup", the
// label "Patches:" and the read-only field with the patches that use the instrument.

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace editor {

class TPatchLookupSwitch {
  public:
    // Makes cbLookupPatches (checked), laPatches and edRefs as children of parent.
    explicit TPatchLookupSwitch(QWidget* parent);

    QCheckBox* cbLookupPatches() const { return m_switch; }
    QLabel* laPatches() const { return m_label; }
    QLineEdit* edRefs() const { return m_refs; }

    bool On() const;
    // Sets the switch as a click would, without telling OnSwitch.
    void SetOn(bool on);
    // Runs the lookup into the field when the switch is on; clears it otherwise.
    void Refresh();

    // The lookup's text for the selected instrument.
    std::function<std::string()> OnLookup;
    // The user turned the switch.
    std::function<void(bool on)> OnSwitch;

  private:
    void Click();  // cbLookupPatchesClick
    void ShowState(bool on);

    QCheckBox* m_switch;
    QLabel* m_label;
    QLineEdit* m_refs;
};

}  // namespace editor
