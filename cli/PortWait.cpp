#include "cli/PortWait.h"

#include <cerrno>
#include <ctime>

namespace cli {

TWakeup::TWakeup() {
    sem_init(&m_semaphore, 0, 0);
}

TWakeup::~TWakeup() {
    sem_destroy(&m_semaphore);
}

void TWakeup::Signal() {
    sem_post(&m_semaphore);
}

void TWakeup::WaitUntil(Clock::time_point deadline) {
    // steady_clock is CLOCK_MONOTONIC, so its time points convert directly.
    const auto since = deadline.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    timespec at{};
    at.tv_sec = static_cast<time_t>(seconds.count());
    at.tv_nsec = static_cast<long>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
    if (sem_clockwait(&m_semaphore, CLOCK_MONOTONIC, &at) != 0) return;  // deadline or signal
    // Several notes may have come at once; one delivery takes them all.
    while (sem_trywait(&m_semaphore) == 0) {
    }
}

bool TWakingPortWindow::Post(std::uint32_t message, std::uintptr_t param) {
    const bool queued = QueuedPortWindow::Post(message, param);
    m_wakeup.Signal();
    return queued;
}

void TPortWait::Pump() {
    for (TWakingPortWindow* window : m_windows) window->Pump();
}

void TPortWait::WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) {
    for (;;) {
        Pump();
        if (done() || Now() >= deadline) return;
        m_wakeup.WaitUntil(deadline);
    }
}

}  // namespace cli
