#pragma once

#include <QObject>
#include <atomic>

#include "midiports/QueuedPortWindow.h"

class QSocketNotifier;
class QTimer;

namespace midiports {

// The port window of the Qt application: notes queue without locks, and the GUI thread,
// woken through an eventfd that its event loop watches, delivers everything queued. The
// MIDI service's thread (real-time on JACK) only writes eight bytes to that descriptor: no
// allocation, no lock of Qt's event queue. A wake-up is made only while none is pending, so
// a flood of events costs one per batch.
class QtPortWindow : public QObject, public QueuedPortWindow {
    Q_OBJECT

  public:
    explicit QtPortWindow(QObject* parent = nullptr);
    ~QtPortWindow() override;

    bool Post(std::uint32_t message, std::uintptr_t param) override;
    int WakeUps() const { return m_wakeUps.load(); }  // wake-ups made so far

    // Called with the text when a receiver raises; the app shows it in its error box.
    // Exceptions never cross the event loop.
    std::function<void(const std::exception& error)> OnError;

  private:
    void Signal();
    void Wake();

    int m_eventFd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_poll = nullptr;  // only when no descriptor could be made
    std::atomic<bool> m_wakePending{false};
    std::atomic<int> m_wakeUps{0};
};

}  // namespace midiports
