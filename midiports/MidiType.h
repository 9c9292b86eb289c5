#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "EventRing.h"
#include "MidiService.h"
#include "MpscQueue.h"
#include "PortWindow.h"

namespace midiports {

// One received event, or one to send. SysexData is a copy the event owns; null for a
// short message and for an empty block.
struct TMyMidiEvent {
    std::uint8_t StatusByte = 0;
    std::uint8_t DataByte1 = 0;
    std::uint8_t DataByte2 = 0;
    std::uint32_t TimeStamp = 0;
    std::chrono::steady_clock::time_point Delivered{};  // see RingEntry::delivered
    std::uint16_t SysexSize = 0;
    std::unique_ptr<std::uint8_t[]> SysexData;
};

// One long-message buffer in the form the service wants: a header whose user value
// leads back to this wrapper, and the data block. Size 0 makes nothing.
class TMyMidiHdr {
  public:
    explicit TMyMidiHdr(std::uint16_t size);
    TMyMidiHdr(const TMyMidiHdr&) = delete;
    TMyMidiHdr& operator=(const TMyMidiHdr&) = delete;

    MidiHeader* HeaderBlock() const { return m_header.get(); }
    std::uint8_t* DataBlock() const { return m_data.get(); }
    static TMyMidiHdr* FromHeader(const MidiHeader* header) {
        return reinterpret_cast<TMyMidiHdr*>(header->user);
    }

  private:
    std::unique_ptr<MidiHeader> m_header;
    std::unique_ptr<std::uint8_t[]> m_data;
};

using HeaderQueue = MpscQueue<MidiHeader, &MidiHeader::portNext>;

// Everything the callback touches, made before the device opens and kept across opens.
// The callback reaches the port only through these fields and the window.
struct PortCallbackData {
    EventRing* ring = nullptr;  // null for an output port
    PortWindow* window = nullptr;
    std::atomic<bool> sysexOnly{false};

    // One note of each kind at a time; the GUI clears the flag before it acts.
    std::atomic<bool> dataNotePending{false};
    std::atomic<bool> overflowNotePending{false};
    std::atomic<bool> doneNotePending{false};
    std::atomic<bool> lostNotePending{false};

    std::atomic<std::uint32_t> overflowsToReport{0};
    std::atomic<std::uint32_t> ringOverflows{0};  // events lost to a full ring
    std::atomic<std::uint32_t> droppedBlocks{0};  // blocks the service could not file

    HeaderQueue orphans;  // receive buffers of lost events, to go back to the service
    HeaderQueue done;     // finished output blocks
};

// The one callback of both port kinds; instance is the port's PortCallbackData.
void PortCallback(MidiDevice* handle, std::uint32_t message, void* instance, std::uintptr_t param1,
                  std::uintptr_t param2);

// Free notification and the loading state shared by the two ports.
class PortComponent {
  public:
    PortComponent() = default;
    PortComponent(const PortComponent&) = delete;
    PortComponent& operator=(const PortComponent&) = delete;

    // client is told through forget() when the port is destroyed.
    void FreeNotification(const void* client, std::function<void()> forget);
    void RemoveFreeNotification(const void* client);

    // While a window layout is being read, selecting by name does nothing.
    bool Loading() const { return m_loading; }
    void SetLoading(bool loading) { m_loading = loading; }

  protected:
    ~PortComponent() = default;
    void NotifyFree();

  private:
    std::vector<std::pair<const void*, std::function<void()>>> m_freeNotify;
    bool m_loading = false;
};

}  // namespace midiports
