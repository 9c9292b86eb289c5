#include "app/WatchedLink.h"

#include <memory>

namespace app {

void TWatchedLink::SetWatchedInput(midiports::TMidiInput* port) {
    SetMidiIn(port);
    if (port != nullptr)
        port->OnMidiInput = [this](midiports::TMidiInput*) { HandleWatchedInput(); };
}

void TWatchedLink::PutLong(const std::uint8_t* buffer, int length) {
    // Only what actually goes out can come back.
    if (MidiOut() != nullptr && MidiOut()->Handle() != nullptr && length > 0)
        m_detector.Sent(buffer, static_cast<std::size_t>(length));
    TMidiCompLink::PutLong(buffer, length);
}

// The link's own reading of the port (offer each event, report it), with each system-
// exclusive message shown to the watch first. The link's events are taken one at a time
// here, since the link offers no look at the bytes it drains.
void TWatchedLink::HandleWatchedInput() {
    do {
        if (MidiIn() == nullptr) return;
        const std::unique_ptr<midiports::TMyMidiEvent> event = MidiIn()->TakeEvent();
        if (!event) return;
        bool resolved = false;
        if (event->SysexSize != 0) {
            if (m_detector.Received(event->SysexData.get(), event->SysexSize) && OnLoop)
                OnLoop(this);
            resolved = OfferSysex(event->SysexData.get(), event->SysexSize);
        }
        if (OnMidiInput) OnMidiInput(this, resolved);
    } while (MidiIn() != nullptr && MidiIn()->PendingCount() != 0);
}

}  // namespace app
