#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "midilink/MidiLink.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"

namespace midilink {

// The link bound to the two MIDI ports: its messages go to MidiOut, and every event that
// MidiIn receives is offered to the attached collections before OnMidiInput reports it.
// Each port tells the link when it is destroyed, so the link never holds a dead port;
// the link detaches itself from both when it goes first.
class TMidiCompLink : public TMidiLink {
  public:
    using MidiInputEvent = std::function<void(TMidiCompLink* sender, bool resolved)>;
    // delivered: when the MIDI service's thread filed the message.
    using ShortEvent = std::function<void(TMidiCompLink* sender, std::uint8_t status,
                                          std::uint8_t data1, std::uint8_t data2,
                                          std::chrono::steady_clock::time_point delivered)>;
    using SysexEvent =
        std::function<void(TMidiCompLink* sender, const std::uint8_t* data, int size)>;

    TMidiCompLink() = default;
    ~TMidiCompLink() override;

    midiports::TMidiOutput* MidiOut() const { return m_midiOut; }
    void SetMidiOut(midiports::TMidiOutput* port);
    midiports::TMidiInput* MidiIn() const { return m_midiIn; }
    // Installs HandleMidiInput as the port's OnMidiInput, replacing its handler; a port
    // set before is detached first.
    void SetMidiIn(midiports::TMidiInput* port);

    // Once for every received event, after the collections have had it.
    MidiInputEvent OnMidiInput;
    // A look at the system-exclusive bytes that pass: OnSysexIn for each received message
    // before the collections have it, OnSysexOut for each long message PutLong actually
    // sends (MidiOut set and open), before it goes.
    SysexEvent OnSysexIn;
    SysexEvent OnSysexOut;
    // Each received short message (an input that passes them), before OnMidiInput.
    ShortEvent OnShortIn;

    // Nothing happens while MidiOut is unset or closed. PutShort sends on the device
    // handle directly and ignores the result; PutLong lets the port's errors through.
    void PutShort(std::uint32_t message) override;
    void PutLong(const std::uint8_t* buffer, int length) override;

    // Drains MidiIn's ring: each event is shown, offered, reported, and destroyed, also when
    // offering or reporting raises (which ends the call; later events wait).
    void HandleMidiInput(midiports::TMidiInput* sender);

  private:
    midiports::TMidiOutput* m_midiOut = nullptr;
    midiports::TMidiInput* m_midiIn = nullptr;
};

}  // namespace midilink
