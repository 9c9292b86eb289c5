#include "ManualPortWindow.h"

#include <thread>

namespace midiports {

bool ManualPortWindow::PumpUntil(const std::function<bool()>& done,
                                 std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Pump();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        // Waiting for the other thread; a short pause keeps the shared cores free.
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

}  // namespace midiports
