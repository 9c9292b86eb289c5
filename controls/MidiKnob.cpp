#include "controls/MidiKnob.h"

namespace controls {

TMidiKnob::TMidiKnob(QWidget* parent) : TQvKnob(parent) {
    SetMax(127);
}

void TMidiKnob::NotifyMoved() {
    TQvKnob::NotifyMoved();
    ValueToBinding();
}

void TMidiKnob::NotifyMoving() {
    TQvKnob::NotifyMoving();
    ValueToBinding();
}

void TMidiKnob::ValueToBinding() {
    StoreValue(Value());
    UpdateColor();
}

void TMidiKnob::ValueFromBinding(midilink::TValueMidiCom*, std::int32_t value) {
    SetValue(value);
    // The reported value decides the colour, even where the knob's range cut it.
    ColorFor(value);
}

void TMidiKnob::UpdateColor() {
    ColorFor(Value());
}

void TMidiKnob::ColorFor(int value) {
    SetFontColor(value == MidiCom().Default() ? clBlack : clBlue);
}

}  // namespace controls
