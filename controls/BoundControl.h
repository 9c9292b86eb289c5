#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "midilink/MidiCom.h"

class QObject;

namespace controls {

// What the four bound controls share: each owns the binding of one module parameter.
// A user change goes to the binding (stored and sent); a value the binding reports is
// only shown. The text turns to the non-default colour while the shown value differs
// from the binding's Default.
class TBoundControl {
  public:
    TBoundControl();
    virtual ~TBoundControl();
    TBoundControl(const TBoundControl&) = delete;
    TBoundControl& operator=(const TBoundControl&) = delete;

    midilink::TValueMidiCom& MidiCom() { return *m_midiCom; }
    const midilink::TValueMidiCom& MidiCom() const { return *m_midiCom; }

    // Stores and sends the control's value, then colours the text.
    virtual void ValueToBinding() = 0;
    // Shows a value from the binding without sending it, then colours the text.
    virtual void ValueFromBinding(midilink::TValueMidiCom* binding, std::int32_t value) = 0;
    virtual void UpdateColor() = 0;

    // Where a user's value goes; unset: straight to the binding's SetValue. The editor
    // passes it through its undo history, which calls SetValue itself.
    std::function<void(midilink::TValueMidiCom& binding, std::int32_t value)> OnStore;

  protected:
    void StoreValue(std::int32_t value);

  private:
    std::unique_ptr<midilink::TValueMidiCom> m_midiCom;
};

// The binding of a widget when it is a bound control, else none; lets a window walk its
// children and retarget every binding.
midilink::TValueMidiCom* BindingOf(QObject* object);

}  // namespace controls
