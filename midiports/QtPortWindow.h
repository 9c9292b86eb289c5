#pragma once

#include <QObject>
#include <atomic>

#include "midiports/QueuedPortWindow.h"

namespace midiports {

// The port window of the Qt application: notes queue without locks, and a queued call
// wakes the GUI thread, which delivers everything queued. A wake-up is posted only while
// none is pending, so a flood of events costs one post per batch.
class QtPortWindow : public QObject, public QueuedPortWindow {
    Q_OBJECT

  public:
    explicit QtPortWindow(QObject* parent = nullptr);

    bool Post(std::uint32_t message, std::uintptr_t param) override;
    int WakeUps() const { return m_wakeUps.load(); }  // posts made so far

    // Called with the text when a receiver raises; the app shows it in its error box.
    // Exceptions never cross the event loop.
    std::function<void(const std::exception& error)> OnError;

  private:
    void Wake();

    std::atomic<bool> m_wakePending{false};
    std::atomic<int> m_wakeUps{0};
};

}  // namespace midiports
