#include "MidiType.h"

#include <algorithm>

namespace midiports {

TMyMidiHdr::TMyMidiHdr(std::uint16_t size) {
    if (size == 0) return;
    m_header = std::make_unique<MidiHeader>();
    m_data = std::make_unique<std::uint8_t[]>(size);
    m_header->data = m_data.get();
    m_header->bufferLength = size;
}

namespace {

// Posts a note unless one of its kind is still on its way.
void Note(PortCallbackData& data, std::atomic<bool>& pending, std::uint32_t message,
          std::uintptr_t param) {
    if (pending.exchange(true)) return;
    if (!data.window->Post(message, param)) pending.store(false);
}

void Lost(PortCallbackData& data) {
    data.overflowsToReport.fetch_add(1);
    Note(data, data.overflowNotePending, PortMsgOverflow, 0);
}

}  // namespace

void PortCallback(MidiDevice* handle, std::uint32_t message, void* instance, std::uintptr_t param1,
                  std::uintptr_t param2) {
    auto& data = *static_cast<PortCallbackData*>(instance);
    switch (message) {
        case msg::kInData: {
            if (param1 == 0xFE || param1 == 0xF8) return;  // active sensing, timing clock
            if (data.sysexOnly.load(std::memory_order_relaxed) || data.ring == nullptr) return;
            // Reading the clock neither allocates nor locks (the vDSO on Linux).
            const RingEntry entry{static_cast<std::uint32_t>(param2),
                                  static_cast<std::uint32_t>(param1), nullptr, handle->EventTime()};
            if (RingPut(*data.ring, entry)) {
                Note(data, data.dataNotePending, PortMsgData, 0);
            } else {
                data.ringOverflows.fetch_add(1);
                Lost(data);
            }
            return;
        }
        case msg::kInLongData:
        case msg::kInLongError: {
            auto* header = reinterpret_cast<MidiHeader*>(param1);
            if (data.ring == nullptr) return;
            if (RingPut(*data.ring,
                        {static_cast<std::uint32_t>(param2), 0, header, handle->EventTime()})) {
                Note(data, data.dataNotePending, PortMsgData, 0);
            } else {
                // The GUI hands the buffer back, so a full ring costs the event only.
                data.orphans.Push(header);
                data.ringOverflows.fetch_add(1);
                Lost(data);
            }
            return;
        }
        case msg::kInDropped:
            data.droppedBlocks.fetch_add(1);
            Lost(data);
            return;
        case msg::kOutDone:
            data.done.Push(reinterpret_cast<MidiHeader*>(param1));
            Note(data, data.doneNotePending, PortMsgDone, param1);
            return;
        case msg::kInLost:
        case msg::kOutLost:
            Note(data, data.lostNotePending, PortMsgLost, 0);
            return;
        default:
            return;
    }
}

void PortComponent::FreeNotification(const void* client, std::function<void()> forget) {
    RemoveFreeNotification(client);
    m_freeNotify.emplace_back(client, std::move(forget));
}

void PortComponent::RemoveFreeNotification(const void* client) {
    std::erase_if(m_freeNotify, [client](const auto& entry) { return entry.first == client; });
}

void PortComponent::NotifyFree() {
    auto clients = std::move(m_freeNotify);
    m_freeNotify.clear();
    for (auto& [client, forget] : clients)
        if (forget) forget();
}

}  // namespace midiports
