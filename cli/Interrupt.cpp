#include "cli/Interrupt.h"

#include <atomic>

#include "cli/PortWait.h"

namespace cli {

namespace {

// Read and written by the signal handler: lock-free atomics only.
std::atomic<bool> g_requested{false};
std::atomic<TWakeup*> g_wakeup{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<TWakeup*>::is_always_lock_free);

extern "C" void OnInterrupt(int signal) {
    // From now on both signals have their usual effect: a second one ends the program.
    struct sigaction usual {};
    usual.sa_handler = SIG_DFL;
    sigemptyset(&usual.sa_mask);
    sigaction(SIGINT, &usual, nullptr);
    sigaction(SIGTERM, &usual, nullptr);
    // A second one that came before the lines above took effect.
    if (g_requested.exchange(true)) {
        raise(signal);
        return;
    }
    if (TWakeup* wakeup = g_wakeup.load()) wakeup->Signal();  // sem_post: async-signal-safe
}

}  // namespace

TInterruptScope::TInterruptScope(TWakeup& wakeup) {
    g_requested = false;
    g_wakeup = &wakeup;
    struct sigaction handler {};
    handler.sa_handler = OnInterrupt;
    sigemptyset(&handler.sa_mask);
    // Other threads (the MIDI service's) may take the signal in a system call: let it go on.
    handler.sa_flags = SA_RESTART;
    sigaction(SIGINT, &handler, &m_oldInterrupt);
    sigaction(SIGTERM, &handler, &m_oldTerminate);
}

TInterruptScope::~TInterruptScope() {
    sigaction(SIGINT, &m_oldInterrupt, nullptr);
    sigaction(SIGTERM, &m_oldTerminate, nullptr);
    g_wakeup = nullptr;
}

bool TInterruptScope::Requested() {
    return g_requested.load();
}

}  // namespace cli
