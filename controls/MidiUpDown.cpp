#include "controls/MidiUpDown.h"

#include "controls/Colors.h"

namespace controls {

TMidiUpDown::TMidiUpDown(QWidget* parent) : TUpDown(parent) {
    SetThousands(false);
}

void TMidiUpDown::Click(TUDBtnType button) {
    TUpDown::Click(button);
    ValueToBinding();
}

void TMidiUpDown::ValueToBinding() {
    StoreValue(Position());
    UpdateColor();
}

void TMidiUpDown::ValueFromBinding(midilink::TValueMidiCom*, std::int32_t value) {
    SetPosition(value);
    UpdateColor();
}

void TMidiUpDown::UpdateColor() {
    // Only an associate that has a font of its own can show the colour.
    QWidget* field = Associate();
    if (!field || field->metaObject()->indexOfProperty("font") < 0) return;
    const QColor color = ToQColor(Position() == MidiCom().Default() ? clBlack : clBlue);
    SetTextColor(field, QPalette::Text, color);
    SetTextColor(field, QPalette::WindowText, color);
}

}  // namespace controls
