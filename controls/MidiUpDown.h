#pragma once

#include "controls/BoundControl.h"
#include "controls/UpDown.h"

namespace controls {

// An up-down bound to a module parameter: every step stores and sends Position; the
// associated field shows it in the non-default colour when it differs from Default.
// A number typed into the field is a step to it (Enter, or leaving the field).
class TMidiUpDown : public TUpDown, public TBoundControl {
    Q_OBJECT

  public:
    explicit TMidiUpDown(QWidget* parent = nullptr);

    void ValueToBinding() override;
    void ValueFromBinding(midilink::TValueMidiCom* binding, std::int32_t value) override;
    void UpdateColor() override;

  protected:
    void Click(TUDBtnType button) override;
};

}  // namespace controls
