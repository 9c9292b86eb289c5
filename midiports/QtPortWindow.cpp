#include "midiports/QtPortWindow.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <QtGlobal>
#include <cstdint>

namespace midiports {

QtPortWindow::QtPortWindow(QObject* parent) : QObject(parent) {
    m_eventFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_eventFd >= 0) {
        m_notifier = new QSocketNotifier(m_eventFd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &QtPortWindow::Wake);
    } else {
        // Out of descriptors: the GUI thread looks for pending notes itself, which costs a
        // little time but never touches the service's thread.
        qWarning("MIDI port: no wake-up descriptor, polling instead");
        m_poll = new QTimer(this);
        m_poll->setInterval(1);
        connect(m_poll, &QTimer::timeout, this, [this] {
            if (m_wakePending.load()) Wake();
        });
        m_poll->start();
    }
}

QtPortWindow::~QtPortWindow() {
    delete m_notifier;
    if (m_eventFd >= 0) close(m_eventFd);
}

bool QtPortWindow::Post(std::uint32_t message, std::uintptr_t param) {
    if (!QueuedPortWindow::Post(message, param)) return false;
    if (!m_wakePending.exchange(true)) Signal();
    return true;
}

// Any thread: one write of the eventfd's counter, which the kernel takes without blocking
// (the counter cannot overflow at one write per batch).
void QtPortWindow::Signal() {
    m_wakeUps.fetch_add(1);
    if (m_eventFd < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_eventFd, &one, sizeof one);
}

void QtPortWindow::Wake() {
    if (m_eventFd >= 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(m_eventFd, &count, sizeof count);
    }
    // Cleared after the descriptor was read, so that a note queued while we deliver makes
    // a new wake-up; an exchange, so that the notes queued before the last one are visible.
    m_wakePending.exchange(false);
    try {
        DeliverPending();
    } catch (const std::exception& error) {
        // The notes after the failing one are still queued; deliver them on a later turn.
        if (!m_wakePending.exchange(true)) Signal();
        if (OnError)
            OnError(error);
        else
            qWarning("MIDI port: %s", error.what());
    }
}

}  // namespace midiports
