#include "CompositeService.h"

namespace midiports {

CompositeService::CompositeService(std::unique_ptr<MidiService> first,
                                   std::unique_ptr<MidiService> second)
    : m_first(std::move(first)), m_second(std::move(second)) {}

int CompositeService::InDeviceCount() {
    return m_first->InDeviceCount() + m_second->InDeviceCount();
}

MidiResult CompositeService::InProductName(int id, std::string& name) {
    const int n = m_first->InDeviceCount();
    return id < n ? m_first->InProductName(id, name) : m_second->InProductName(id - n, name);
}

MidiResult CompositeService::InOpen(MidiDevice** handle, int id, MidiCallback callback,
                                    void* instance) {
    const int n = m_first->InDeviceCount();
    return id < n ? m_first->InOpen(handle, id, callback, instance)
                  : m_second->InOpen(handle, id - n, callback, instance);
}

int CompositeService::OutDeviceCount() {
    return m_first->OutDeviceCount() + m_second->OutDeviceCount();
}

MidiResult CompositeService::OutProductName(int id, std::string& name) {
    const int n = m_first->OutDeviceCount();
    return id < n ? m_first->OutProductName(id, name) : m_second->OutProductName(id - n, name);
}

MidiResult CompositeService::OutOpen(MidiDevice** handle, int id, MidiCallback callback,
                                     void* instance) {
    const int n = m_first->OutDeviceCount();
    return id < n ? m_first->OutOpen(handle, id, callback, instance)
                  : m_second->OutOpen(handle, id - n, callback, instance);
}

// Handle calls go to the owner of the device.
#define TAMBORO_FORWARD(Call, ...)                              \
    if (handle == nullptr) return result::kInvalidHandle;       \
    return handle->Owner().Call(handle __VA_OPT__(, ) __VA_ARGS__)

MidiResult CompositeService::InClose(MidiDevice* handle) { TAMBORO_FORWARD(InClose); }
MidiResult CompositeService::InPrepareHeader(MidiDevice* handle, MidiHeader* header) {
    TAMBORO_FORWARD(InPrepareHeader, header);
}
MidiResult CompositeService::InUnprepareHeader(MidiDevice* handle, MidiHeader* header) {
    TAMBORO_FORWARD(InUnprepareHeader, header);
}
MidiResult CompositeService::InAddBuffer(MidiDevice* handle, MidiHeader* header) {
    TAMBORO_FORWARD(InAddBuffer, header);
}
MidiResult CompositeService::InStart(MidiDevice* handle) { TAMBORO_FORWARD(InStart); }
MidiResult CompositeService::InStop(MidiDevice* handle) { TAMBORO_FORWARD(InStop); }
MidiResult CompositeService::InReset(MidiDevice* handle) { TAMBORO_FORWARD(InReset); }
MidiResult CompositeService::OutClose(MidiDevice* handle) { TAMBORO_FORWARD(OutClose); }
MidiResult CompositeService::OutShortMsg(MidiDevice* handle, std::uint32_t message) {
    TAMBORO_FORWARD(OutShortMsg, message);
}
MidiResult CompositeService::OutPrepareHeader(MidiDevice* handle, MidiHeader* header) {
    TAMBORO_FORWARD(OutPrepareHeader, header);
}
MidiResult CompositeService::OutLongMsg(MidiDevice* handle, MidiHeader* header) {
    TAMBORO_FORWARD(OutLongMsg, header);
}
MidiResult CompositeService::OutUnprepareHeader(MidiDevice* handle, MidiHeader* header) {
    TAMBORO_FORWARD(OutUnprepareHeader, header);
}
MidiResult CompositeService::OutReset(MidiDevice* handle) { TAMBORO_FORWARD(OutReset); }

#undef TAMBORO_FORWARD

}  // namespace midiports
