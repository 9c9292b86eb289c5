#pragma once

#include <functional>
#include <stdexcept>
#include <string>

class QWidget;

namespace controls {

// A failure of a control itself, carrying the text the error box shows.
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& text) : std::runtime_error(text) {}
};

// A failure while handling the user's input (a binding that cannot store or send) must not
// cross the event loop. The controls hand its text to the handler the application installs
// (its error box); without one it goes to the log.
using ErrorHandler = std::function<void(QWidget* origin, const std::string& text)>;

// Installs the handler and returns the previous one.
ErrorHandler SetErrorHandler(ErrorHandler handler);
void ReportError(QWidget* origin, const std::string& text);

// Runs what a user action does; an exception stops it there and is reported.
template <class Action>
void GuardUserAction(QWidget* origin, Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        ReportError(origin, error.what());
    }
}

}  // namespace controls
