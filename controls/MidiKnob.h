#pragma once

#include "controls/BoundControl.h"
#include "controls/Knob.h"

namespace controls {

// A knob bound to a module parameter: every step the user makes is stored and sent, and
// the end of a move sends the final value once more.
class TMidiKnob : public TQvKnob, public TBoundControl {
    Q_OBJECT

  public:
    explicit TMidiKnob(QWidget* parent = nullptr);

    void ValueToBinding() override;
    void ValueFromBinding(midilink::TValueMidiCom* binding, std::int32_t value) override;
    void UpdateColor() override;

  protected:
    void NotifyMoved() override;
    void NotifyMoving() override;

  private:
    void ColorFor(int value);
};

}  // namespace controls
