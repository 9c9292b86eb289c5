#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "EventRing.h"
#include "MidiService.h"
#include "MidiType.h"
#include "PortWindow.h"

namespace midiports {

class EMidiInputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One input device of the MIDI service. The service's thread files every received event
// into the ring and posts a note; on the GUI thread the port raises OnMidiInput and the
// consumer takes the events with TakeEvent. System-exclusive blocks arrive in a pool of
// receive buffers that goes back to the service as each block is copied out.
//
// Lost events: a full ring drops the new event, but its buffer still goes back to the
// service, so the pool keeps its size. A block longer than SysexBufferSize, or one that
// finds no free buffer, is dropped whole (never cut, never written past the buffer) and
// counted in DroppedCount. Every lost event raises OnOverflow once.
class TMidiInput : public PortComponent {
  public:
    using NotifyEvent = std::function<void(TMidiInput* sender)>;

    // The service and the window outlive the port.
    TMidiInput(MidiService& service, PortWindow& window);
    ~TMidiInput();

    const std::string& ProductName() const { return m_productName; }
    void SetProductName(const std::string& name);
    std::uint16_t DeviceID() const { return m_deviceId; }
    void SetDeviceID(std::uint16_t id);
    std::uint16_t Capacity() const { return m_capacity; }
    void SetCapacity(std::uint16_t capacity) { m_capacity = capacity; }  // at the next Open
    std::uint16_t Error() const { return m_error; }
    std::uint16_t SysexBufferSize() const { return m_sysexBufferSize; }
    void SetSysexBufferSize(std::uint16_t size);
    std::uint16_t SysexBufferCount() const { return m_sysexBufferCount; }
    void SetSysexBufferCount(std::uint16_t count);
    bool SysexOnly() const { return m_sysexOnly; }
    void SetSysexOnly(bool value);

    NotifyEvent OnMidiInput;   // events are waiting
    NotifyEvent OnOverflow;    // once for every lost event
    NotifyEvent OnDeviceLost;  // the device went away; the port has closed itself

    void Open();  // never raises; Handle() stays null on failure and Error() has the code
    void Start();
    void Stop();
    void Close();
    std::unique_ptr<TMyMidiEvent> TakeEvent();  // null when closed or nothing waits
    std::uint16_t PendingCount() const;
    MidiDevice* Handle() const { return m_handle; }
    bool IsOpen() const { return m_open; }
    std::string ErrorText(MidiResult code);
    MidiService& Service() const { return m_service; }

    // Events lost since the port was made: to a full ring, and blocks the service could
    // not file (no free receive buffer, or longer than SysexBufferSize).
    std::uint32_t OverflowCount() const;
    std::uint32_t DroppedCount() const;

  private:
    void Check(MidiResult code);
    void Fail(MidiResult code);
    void Abandon(MidiResult code);
    void ReleaseDevice();
    void DrainOrphans(bool giveBack);
    void WindowProc(std::uint32_t message, std::uintptr_t param);
    void PostDataAgain();

    MidiService& m_service;
    PortWindow& m_window;
    std::uint16_t m_deviceId = 0;
    MidiDevice* m_handle = nullptr;
    bool m_open = false;
    std::uint16_t m_error = 0;
    bool m_sysexOnly = false;
    std::string m_productName;
    std::uint16_t m_capacity = 1024;
    std::unique_ptr<EventRing> m_ring;
    std::uint16_t m_sysexBufferSize = 4096;
    std::uint16_t m_sysexBufferCount = 16;
    std::vector<std::unique_ptr<TMyMidiHdr>> m_buffers;
    std::unique_ptr<PortCallbackData> m_callbackData;
};

}  // namespace midiports
