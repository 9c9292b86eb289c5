#include "midiports/QtPortWindow.h"

#include <QMetaObject>
#include <QtGlobal>

namespace midiports {

QtPortWindow::QtPortWindow(QObject* parent) : QObject(parent) {}

bool QtPortWindow::Post(std::uint32_t message, std::uintptr_t param) {
    if (!QueuedPortWindow::Post(message, param)) return false;
    if (!m_wakePending.exchange(true)) {
        m_wakeUps.fetch_add(1);
        QMetaObject::invokeMethod(this, &QtPortWindow::Wake, Qt::QueuedConnection);
    }
    return true;
}

void QtPortWindow::Wake() {
    // Cleared first, so that a note queued while we deliver posts a new wake-up; an
    // exchange, so that the notes queued before the last one are visible here.
    m_wakePending.exchange(false);
    try {
        DeliverPending();
    } catch (const std::exception& error) {
        // The notes after the failing one are still queued; deliver them on a later turn.
        if (!m_wakePending.exchange(true)) {
            m_wakeUps.fetch_add(1);
            QMetaObject::invokeMethod(this, &QtPortWindow::Wake, Qt::QueuedConnection);
        }
        if (OnError)
            OnError(error);
        else
            qWarning("MIDI port: %s", error.what());
    }
}

}  // namespace midiports
