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

namespace {

// Calls on a handle go to the service that opened the device.
template <class... Args>
MidiResult Forward(MidiResult (MidiService::*call)(MidiDevice*, Args...), MidiDevice* handle,
                   Args... args) {
    if (handle == nullptr) return result::kInvalidHandle;
    return (handle->Owner().*call)(handle, args...);
}

}  // namespace

MidiResult CompositeService::InClose(MidiDevice* handle) {
    return Forward(&MidiService::InClose, handle);
}

MidiResult CompositeService::InPrepareHeader(MidiDevice* handle, MidiHeader* header) {
    return Forward(&MidiService::InPrepareHeader, handle, header);
}

MidiResult CompositeService::InUnprepareHeader(MidiDevice* handle, MidiHeader* header) {
    return Forward(&MidiService::InUnprepareHeader, handle, header);
}

MidiResult CompositeService::InAddBuffer(MidiDevice* handle, MidiHeader* header) {
    return Forward(&MidiService::InAddBuffer, handle, header);
}

MidiResult CompositeService::InStart(MidiDevice* handle) {
    return Forward(&MidiService::InStart, handle);
}

MidiResult CompositeService::InStop(MidiDevice* handle) {
    return Forward(&MidiService::InStop, handle);
}

MidiResult CompositeService::InReset(MidiDevice* handle) {
    return Forward(&MidiService::InReset, handle);
}

MidiResult CompositeService::OutClose(MidiDevice* handle) {
    return Forward(&MidiService::OutClose, handle);
}

MidiResult CompositeService::OutShortMsg(MidiDevice* handle, std::uint32_t message) {
    return Forward(&MidiService::OutShortMsg, handle, message);
}

MidiResult CompositeService::OutPrepareHeader(MidiDevice* handle, MidiHeader* header) {
    return Forward(&MidiService::OutPrepareHeader, handle, header);
}

MidiResult CompositeService::OutLongMsg(MidiDevice* handle, MidiHeader* header) {
    return Forward(&MidiService::OutLongMsg, handle, header);
}

MidiResult CompositeService::OutUnprepareHeader(MidiDevice* handle, MidiHeader* header) {
    return Forward(&MidiService::OutUnprepareHeader, handle, header);
}

MidiResult CompositeService::OutReset(MidiDevice* handle) {
    return Forward(&MidiService::OutReset, handle);
}

}  // namespace midiports
