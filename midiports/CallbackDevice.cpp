#include "CallbackDevice.h"

#include <thread>

namespace midiports {

void CallbackDevice::Attach(MidiCallback callback, void* instance) {
    m_callback = callback;
    m_instance = instance;
    m_attached.store(true);
}

void CallbackDevice::Detach() {
    m_attached.store(false);
    WaitIdle();
}

bool CallbackDevice::Enter() {
    // Sequentially consistent on both sides: either Detach sees this thread busy, or this
    // thread sees the device detached.
    m_busy.fetch_add(1);
    if (m_attached.load()) return true;
    m_busy.fetch_sub(1);
    return false;
}

void CallbackDevice::WaitIdle() const {
    // A report is a bounded copy and a post, so this wait is short.
    while (m_busy.load() != 0) std::this_thread::yield();
}

}  // namespace midiports
