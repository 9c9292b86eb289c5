#include "MidiInput.h"

#include <cstring>

namespace midiports {

TMidiInput::TMidiInput(MidiService& service, PortWindow& window)
    : m_service(service), m_window(window) {
    m_window.SetReceiver(
        [this](std::uint32_t message, std::uintptr_t param) { WindowProc(message, param); });
}

TMidiInput::~TMidiInput() {
    NotifyFree();
    if (m_handle != nullptr) {
        try {
            m_open = true;
            Close();
        } catch (const std::exception&) {
            ReleaseDevice();
        }
    }
    m_window.SetReceiver(nullptr);
}

void TMidiInput::SetDeviceID(std::uint16_t id) {
    if (m_open) throw EMidiInputError("Change to DeviceID while device was open");
    if (id >= m_service.InDeviceCount()) throw EMidiInputError("Invalid device ID");
    m_deviceId = id;
    std::string name;
    Check(m_service.InProductName(id, name));
    m_productName = name;
}

void TMidiInput::SetProductName(const std::string& name) {
    if (m_open) throw EMidiInputError("Change to ProductName while device was open");
    if (Loading()) return;
    const int count = m_service.InDeviceCount();
    // The first query runs even without devices, so an empty list reports the service's
    // text for device 0.
    int id = 0;
    bool found = false;
    do {
        std::string product;
        Check(m_service.InProductName(id, product));
        if (product == name) {
            found = true;
            break;
        }
        ++id;
    } while (id < count);
    if (!found) throw EMidiInputError("MIDI Input Device " + name + " not installed ");
    m_productName = name;
    SetDeviceID(static_cast<std::uint16_t>(id));
}

void TMidiInput::SetSysexBufferSize(std::uint16_t size) {
    if (m_open) throw EMidiInputError("Change to SysexBufferSize while device was open");
    m_sysexBufferSize = size;
}

void TMidiInput::SetSysexBufferCount(std::uint16_t count) {
    if (m_open) throw EMidiInputError("Change to SysexBuffercount while device was open");
    m_sysexBufferCount = count;
}

void TMidiInput::SetSysexOnly(bool value) {
    m_sysexOnly = value;
    if (m_callbackData) m_callbackData->sysexOnly.store(value);
}

void TMidiInput::Open() {
    if (m_open) return;
    if (!m_ring) m_ring = RingAlloc(m_capacity);
    if (!m_ring) return Fail(result::kNoMem);
    if (!m_callbackData) m_callbackData = std::make_unique<PortCallbackData>();
    m_callbackData->ring = m_ring.get();
    m_callbackData->window = &m_window;
    m_callbackData->sysexOnly.store(m_sysexOnly);

    MidiResult r = m_service.InOpen(&m_handle, m_deviceId, PortCallback, m_callbackData.get());
    m_error = static_cast<std::uint16_t>(r);
    if (r != result::kOk) return Fail(r);

    if (m_sysexBufferCount != 0 && m_sysexBufferSize != 0 && m_handle != nullptr) {
        for (int i = 0; i < m_sysexBufferCount; ++i) {
            auto wrapper = std::make_unique<TMyMidiHdr>(m_sysexBufferSize);
            wrapper->HeaderBlock()->user = reinterpret_cast<std::uintptr_t>(wrapper.get());
            r = m_service.InPrepareHeader(m_handle, wrapper->HeaderBlock());
            m_error = static_cast<std::uint16_t>(r);
            if (r != result::kOk) return Abandon(r);
            m_buffers.push_back(std::move(wrapper));
        }
    }
    for (const auto& wrapper : m_buffers) {
        r = m_service.InAddBuffer(m_handle, wrapper->HeaderBlock());
        m_error = static_cast<std::uint16_t>(r);
        if (r != result::kOk) return Abandon(r);
    }
    m_open = true;
}

void TMidiInput::Fail(MidiResult code) {
    m_error = static_cast<std::uint16_t>(code);
    m_handle = nullptr;
    m_ring.reset();
    m_callbackData.reset();
}

// A buffer failed after the device opened: close the device again, so that a port that
// is not open never holds a handle.
void TMidiInput::Abandon(MidiResult code) {
    ReleaseDevice();
    if (m_handle == nullptr) Fail(code);
    m_error = static_cast<std::uint16_t>(code);
}

void TMidiInput::Start() {
    if (m_open) Check(m_service.InStart(m_handle));
}

void TMidiInput::Stop() {
    if (m_open) Check(m_service.InStop(m_handle));
}

void TMidiInput::Close() {
    if (!m_open) return;
    m_open = false;  // notes that arrive from now on are ignored
    Check(m_service.InReset(m_handle));
    DrainOrphans(false);  // the reset stopped the device; every buffer is back with us
    while (!m_buffers.empty()) {
        Check(m_service.InUnprepareHeader(m_handle, m_buffers.front()->HeaderBlock()));
        m_buffers.erase(m_buffers.begin());
    }
    Check(m_service.InClose(m_handle));
    m_handle = nullptr;
    m_ring.reset();
}

// Closes without raising, for the destructor and a device that went away. When the
// service will not close, whatever its thread may still touch is left allocated.
void TMidiInput::ReleaseDevice() {
    m_open = false;
    if (m_handle == nullptr) return;
    m_service.InReset(m_handle);
    DrainOrphans(false);
    for (const auto& wrapper : m_buffers)
        m_service.InUnprepareHeader(m_handle, wrapper->HeaderBlock());
    if (m_service.InClose(m_handle) != result::kOk) {
        for (auto& wrapper : m_buffers) (void)wrapper.release();
        (void)m_ring.release();
        (void)m_callbackData.release();
    }
    m_buffers.clear();
    m_handle = nullptr;
    m_ring.reset();
}

std::unique_ptr<TMyMidiEvent> TMidiInput::TakeEvent() {
    RingEntry entry;
    if (!m_open || !m_ring || !RingPeek(*m_ring, entry)) return nullptr;
    auto event = std::make_unique<TMyMidiEvent>();
    event->TimeStamp = entry.timeStamp;
    event->Delivered = entry.delivered;
    if (entry.header == nullptr) {
        event->StatusByte = static_cast<std::uint8_t>(entry.message);
        event->DataByte1 = static_cast<std::uint8_t>(entry.message >> 8);
        event->DataByte2 = static_cast<std::uint8_t>(entry.message >> 16);
    } else {
        MidiHeader* header = entry.header;
        event->StatusByte = 0xF0;
        event->SysexSize = static_cast<std::uint16_t>(header->bytesRecorded);
        if (event->SysexSize != 0) {
            event->SysexData = std::make_unique<std::uint8_t[]>(event->SysexSize);
            std::memcpy(event->SysexData.get(), header->data, event->SysexSize);
        }
        MidiResult r = m_service.InPrepareHeader(m_handle, header);
        if (r == result::kOk) r = m_service.InAddBuffer(m_handle, header);
        Check(r);  // on failure the entry stays for the next try
    }
    RingDrop(*m_ring);
    return event;
}

std::uint16_t TMidiInput::PendingCount() const {
    return m_open && m_ring ? m_ring->count.load() : 0;
}

std::string TMidiInput::ErrorText(MidiResult code) {
    std::string text;
    if (!m_service.InErrorText(code, text)) text = "Specified error number is out of range";
    return text;
}

std::uint32_t TMidiInput::OverflowCount() const {
    return m_callbackData ? m_callbackData->ringOverflows.load() : 0;
}

std::uint32_t TMidiInput::DroppedCount() const {
    return m_callbackData ? m_callbackData->droppedBlocks.load() : 0;
}

void TMidiInput::Check(MidiResult code) {
    m_error = static_cast<std::uint16_t>(code);
    if (code != result::kOk) throw EMidiInputError(ErrorText(code));
}

// Buffers of events lost to a full ring go back to the service here, on the GUI thread,
// so the pool in circulation keeps its size.
void TMidiInput::DrainOrphans(bool giveBack) {
    if (!m_callbackData) return;
    while (MidiHeader* header = m_callbackData->orphans.Pop()) {
        if (!giveBack) continue;
        MidiResult r = m_service.InPrepareHeader(m_handle, header);
        if (r == result::kOk) r = m_service.InAddBuffer(m_handle, header);
        m_error = static_cast<std::uint16_t>(r);
    }
}

// Notes are posted once per batch; a handler that left events waiting is called again, as
// if each event had brought its own note.
void TMidiInput::PostDataAgain() {
    PortCallbackData* data = m_callbackData.get();
    if (data == nullptr || !m_open || PendingCount() == 0) return;
    if (!data->dataNotePending.exchange(true) && !m_window.Post(PortMsgData, 0))
        data->dataNotePending.exchange(false);
}

void TMidiInput::WindowProc(std::uint32_t message, std::uintptr_t) {
    PortCallbackData* data = m_callbackData.get();
    if (data == nullptr) return;
    switch (message) {
        case PortMsgData:
            // Read-modify-write: it takes the callback's raised flag, and with it the
            // entries filed before.
            data->dataNotePending.exchange(false);
            if (OnMidiInput && m_open && PendingCount() > 0) {
                try {
                    OnMidiInput(this);
                } catch (...) {
                    // Events behind the failing one must not wait for the next arrival:
                    // inside a request that would look like a module that never answered.
                    PostDataAgain();
                    throw;
                }
                PostDataAgain();
            }
            break;
        case PortMsgOverflow: {
            data->overflowNotePending.exchange(false);
            const std::uint32_t lost = data->overflowsToReport.exchange(0);
            if (!m_open) break;
            DrainOrphans(true);
            for (std::uint32_t i = 0; i < lost && OnOverflow && m_open; ++i) OnOverflow(this);
            break;
        }
        case PortMsgLost:
            data->lostNotePending.exchange(false);
            if (!m_open) break;
            try {
                Close();
            } catch (const std::exception&) {
                ReleaseDevice();
            }
            m_error = static_cast<std::uint16_t>(result::kDeviceLost);
            if (OnDeviceLost) OnDeviceLost(this);
            break;
        default:
            break;
    }
}

}  // namespace midiports
