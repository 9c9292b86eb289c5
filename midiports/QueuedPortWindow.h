#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "PortWindow.h"

namespace midiports {

// A port window's note queue: bounded, lock-free, many posting threads, drained on the GUI
// thread. Ports post at most one note of each kind until it has been delivered, so a few
// slots are plenty.
class QueuedPortWindow : public PortWindow {
  public:
    static constexpr std::size_t kSlots = 256;

    QueuedPortWindow();
    void SetReceiver(Receiver receiver) override { m_receiver = std::move(receiver); }
    bool Post(std::uint32_t message, std::uintptr_t param) override;

  protected:
    // GUI thread: delivers the notes queued now; returns how many. A receiver that
    // throws ends the delivery; the notes after it stay queued.
    int DeliverPending();

  private:
    struct Slot {
        std::atomic<std::size_t> sequence{0};
        std::uint32_t message = 0;
        std::uintptr_t param = 0;
    };

    bool Take(std::uint32_t& message, std::uintptr_t& param);

    std::array<Slot, kSlots> m_slots;
    std::atomic<std::size_t> m_enqueue{0};
    std::size_t m_dequeue = 0;
    Receiver m_receiver;
};

}  // namespace midiports
