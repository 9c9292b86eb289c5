#include "midilink/MidiCompLink.h"

#include <memory>

namespace midilink {

TMidiCompLink::~TMidiCompLink() {
    SetMidiIn(nullptr);
    SetMidiOut(nullptr);
}

void TMidiCompLink::SetMidiOut(midiports::TMidiOutput* port) {
    if (m_midiOut != nullptr) m_midiOut->RemoveFreeNotification(this);
    m_midiOut = port;
    if (port != nullptr) port->FreeNotification(this, [this] { m_midiOut = nullptr; });
}

void TMidiCompLink::SetMidiIn(midiports::TMidiInput* port) {
    if (m_midiIn != nullptr) {
        m_midiIn->RemoveFreeNotification(this);
        m_midiIn->OnMidiInput = nullptr;
    }
    m_midiIn = port;
    if (port != nullptr) {
        port->FreeNotification(this, [this] { m_midiIn = nullptr; });
        port->OnMidiInput = [this](midiports::TMidiInput* sender) { HandleMidiInput(sender); };
    }
}

void TMidiCompLink::PutShort(std::uint32_t message) {
    if (m_midiOut == nullptr || m_midiOut->Handle() == nullptr) return;
    m_midiOut->Service().OutShortMsg(m_midiOut->Handle(), message);
}

void TMidiCompLink::PutLong(const std::uint8_t* buffer, int length) {
    if (m_midiOut == nullptr || m_midiOut->Handle() == nullptr) return;
    if (OnSysexOut) OnSysexOut(this, buffer, length);
    m_midiOut->SendLong(buffer, static_cast<std::uint16_t>(length));
}

void TMidiCompLink::HandleMidiInput(midiports::TMidiInput*) {
    do {
        if (m_midiIn == nullptr) return;
        const std::unique_ptr<midiports::TMyMidiEvent> event = m_midiIn->TakeEvent();
        if (!event) return;
        bool resolved = false;
        if (event->SysexSize != 0) {
            if (OnSysexIn) OnSysexIn(this, event->SysexData.get(), event->SysexSize);
            resolved = OfferSysex(event->SysexData.get(), event->SysexSize);
        } else if (event->StatusByte != 0xF0 && OnShortIn) {
            OnShortIn(this, event->StatusByte, event->DataByte1, event->DataByte2,
                      event->Delivered);
        }
        if (OnMidiInput) OnMidiInput(this, resolved);
    } while (m_midiIn != nullptr && m_midiIn->PendingCount() != 0);
}

}  // namespace midilink
