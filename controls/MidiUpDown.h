#pragma once

#include "controls/BoundControl.h"
#include "controls/UpDown.h"

namespace controls {

// An up-down bound to a module parameter: every step stores and sends Position; the
// associated field shows it in the non-default colour when it differs from Default.
// Typing into the field reaches nothing; only steps do.
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
