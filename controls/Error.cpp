#include "controls/Error.h"

#include <utility>

#include <QtGlobal>

namespace controls {

namespace {

ErrorHandler& Handler() {
    static ErrorHandler handler;
    return handler;
}

}  // namespace

ErrorHandler SetErrorHandler(ErrorHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

void ReportError(QWidget* origin, const std::string& text) {
    if (Handler())
        Handler()(origin, text);
    else
        qWarning("%s", text.c_str());
}

}  // namespace controls
