#include "editor/common/EventWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace editor {

void EventWait::WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) {
    // The timer only wakes the loop at the deadline; events that arrive earlier wake it
    // themselves.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, [] {});
    const auto remaining =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (remaining <= 0) return;
    wake.start(static_cast<int>(remaining));
    while (!done() && Clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace editor
