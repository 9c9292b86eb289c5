#include "controls/BoundControl.h"

#include <QObject>

namespace controls {

TBoundControl::TBoundControl() : m_midiCom(std::make_unique<midilink::TValueMidiCom>()) {
    m_midiCom->OnValue = [this](midilink::TValueMidiCom* binding, std::int32_t value) {
        ValueFromBinding(binding, value);
    };
}

// The binding detaches itself from its link and collection as it goes; the control is
// half gone by now, so it reports nothing more.
TBoundControl::~TBoundControl() {
    m_midiCom->OnValue = nullptr;
}

void TBoundControl::StoreValue(std::int32_t value) {
    if (OnStore)
        OnStore(*m_midiCom, value);
    else
        m_midiCom->SetValue(value);
}

midilink::TValueMidiCom* BindingOf(QObject* object) {
    auto* control = dynamic_cast<TBoundControl*>(object);
    return control ? &control->MidiCom() : nullptr;
}

}  // namespace controls
