#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "MidiService.h"
#include "MidiType.h"
#include "PortWindow.h"

namespace midiports {

class EmidioutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One output device of the MIDI service (-1 is the mapper). Short messages go out at
// once; every system-exclusive block is copied, handed to the service, and reported
// through Onmidioutput on the GUI thread when the service has finished with it.
class TMidiOutput : public PortComponent {
  public:
    using NotifyEvent = std::function<void(TMidiOutput* sender)>;

    // The service and the window outlive the port.
    TMidiOutput(MidiService& service, PortWindow& window);
    virtual ~TMidiOutput();

    const std::string& ProductName() const { return m_productName; }
    void SetProductName(const std::string& name);
    std::int32_t DeviceID() const { return m_deviceId; }
    void SetDeviceID(std::int32_t id);
    MidiResult LastResult() const { return m_lastResult; }

    NotifyEvent Onmidioutput;  // after each finished block
    NotifyEvent OnDeviceLost;  // the device went away; the port has closed itself

    virtual bool Open();  // never raises
    virtual bool Close();
    virtual void SendEvent(const TMyMidiEvent& event);
    virtual void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    virtual void SendLong(const std::uint8_t* data, std::uint16_t length);

    MidiDevice* Handle() const { return m_handle; }
    bool IsOpen() const { return m_open; }
    std::string ErrorText(MidiResult code);
    MidiService& Service() const { return m_service; }

  private:
    void Check(MidiResult code);
    void FinishBlocks(bool report);
    bool ForceClose();
    void WindowProc(std::uint32_t message, std::uintptr_t param);

    MidiService& m_service;
    PortWindow& m_window;
    std::int32_t m_deviceId = 0;
    MidiDevice* m_handle = nullptr;
    bool m_open = false;
    std::unique_ptr<PortCallbackData> m_callbackData;
    MidiResult m_lastResult = 0;
    std::string m_productName;
};

}  // namespace midiports
