#include "MidiOutput.h"

#include <cstring>
#include <mutex>

namespace midiports {

namespace {

// Notes may be sent from a player's thread while the GUI thread sends edits: one whole
// message at a time reaches a service, and never a port being opened or closed.
std::mutex& Sending() {
    static std::mutex sending;
    return sending;
}

}  // namespace

TMidiOutput::TMidiOutput(MidiService& service, PortWindow& window)
    : m_service(service), m_window(window) {
    m_window.SetReceiver(
        [this](std::uint32_t message, std::uintptr_t param) { WindowProc(message, param); });
}

TMidiOutput::~TMidiOutput() {
    NotifyFree();
    bool closed = true;
    if (m_open) {
        try {
            Close();
        } catch (const std::exception&) {
            closed = ForceClose();
        }
    }
    if (closed) {
        FinishBlocks(false);  // blocks finished but not yet reported are freed unreported
    } else {
        (void)m_callbackData.release();  // the service may still call back into it
    }
    m_window.SetReceiver(nullptr);
}

void TMidiOutput::SetDeviceID(std::int32_t id) {
    if (m_open) throw EmidioutputError("Change to DeviceID while device was open");
    if (id != -1 && !(id < m_service.OutDeviceCount())) throw EmidioutputError("Invalid device ID");
    m_deviceId = id;
    std::string name;
    Check(m_service.OutProductName(id, name));
    m_productName = name;
}

void TMidiOutput::SetProductName(const std::string& name) {
    if (m_open) throw EmidioutputError("Change to ProductName while device was open");
    if (Loading()) return;
    const int count = m_service.OutDeviceCount();
    for (int id = -1; id < count; ++id) {  // the mapper first
        std::string product;
        Check(m_service.OutProductName(id, product));
        if (product == name) {
            m_productName = name;
            SetDeviceID(id);
            return;
        }
    }
    throw EmidioutputError("MIDI output Device " + name + " not installed");
}

bool TMidiOutput::Open() {
    if (m_open) return true;
    if (!m_callbackData) m_callbackData = std::make_unique<PortCallbackData>();
    m_callbackData->window = &m_window;
    std::lock_guard lock(Sending());
    m_lastResult = m_service.OutOpen(&m_handle, m_deviceId, PortCallback, m_callbackData.get());
    if (m_lastResult == result::kOk) {
        m_open = true;
        return true;
    }
    m_handle = nullptr;
    FinishBlocks(false);
    m_callbackData.reset();
    return false;
}

bool TMidiOutput::Close() {
    std::lock_guard lock(Sending());
    const bool wasOpen = m_open;
    if (m_open) Check(m_service.OutClose(m_handle));
    m_handle = nullptr;
    m_open = false;
    return wasOpen;
}

// Abandons queued blocks so that the device can close; false when it still will not.
bool TMidiOutput::ForceClose() {
    std::lock_guard lock(Sending());
    m_service.OutReset(m_handle);
    m_lastResult = m_service.OutClose(m_handle);
    if (m_lastResult != result::kOk) return false;
    m_handle = nullptr;
    m_open = false;
    return true;
}

void TMidiOutput::SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    const std::uint32_t packed =
        status | (std::uint32_t{data1} << 8) | (std::uint32_t{data2} << 16);
    std::lock_guard lock(Sending());
    Check(m_service.OutShortMsg(m_handle, packed));
}

void TMidiOutput::SendLong(const std::uint8_t* data, std::uint16_t length) {
    // The copy lets the caller reuse its buffer at once; the wrapper lives until the
    // service reports the block finished.
    auto wrapper = std::make_unique<TMyMidiHdr>(length);
    MidiHeader* header = wrapper->HeaderBlock();
    if (header == nullptr) Check(result::kInvalidParam);
    std::memcpy(wrapper->DataBlock(), data, length);
    header->user = reinterpret_cast<std::uintptr_t>(wrapper.get());
    std::lock_guard lock(Sending());
    Check(m_service.OutPrepareHeader(m_handle, header));
    const MidiResult r = m_service.OutLongMsg(m_handle, header);
    if (r != result::kOk) m_service.OutUnprepareHeader(m_handle, header);
    Check(r);
    (void)wrapper.release();
}

void TMidiOutput::SendEvent(const TMyMidiEvent& event) {
    if (!m_open) throw EmidioutputError("MIDI Output device not open");
    if (event.SysexData)
        SendLong(event.SysexData.get(), event.SysexSize);
    else
        SendShort(event.StatusByte, event.DataByte1, event.DataByte2);
}

std::string TMidiOutput::ErrorText(MidiResult code) {
    std::string text;
    if (!m_service.OutErrorText(code, text)) text = "Specified error number is out of range";
    return text;
}

void TMidiOutput::Check(MidiResult code) {
    m_lastResult = code;
    if (code != result::kOk) throw EmidioutputError(ErrorText(code));
}

void TMidiOutput::FinishBlocks(bool report) {
    if (!m_callbackData) return;
    while (MidiHeader* header = m_callbackData->done.Pop()) {
        if (m_handle != nullptr) m_service.OutUnprepareHeader(m_handle, header);
        std::unique_ptr<TMyMidiHdr> wrapper(TMyMidiHdr::FromHeader(header));
        wrapper.reset();
        if (report && Onmidioutput) Onmidioutput(this);
    }
}

void TMidiOutput::WindowProc(std::uint32_t message, std::uintptr_t) {
    if (!m_callbackData) return;
    switch (message) {
        case PortMsgDone:
            m_callbackData->doneNotePending.exchange(false);
            FinishBlocks(true);
            break;
        case PortMsgLost:
            m_callbackData->lostNotePending.exchange(false);
            if (!m_open) break;
            try {
                Close();
            } catch (const std::exception&) {
                ForceClose();
            }
            m_lastResult = result::kDeviceLost;
            if (OnDeviceLost) OnDeviceLost(this);
            break;
        default:
            break;
    }
}

}  // namespace midiports
