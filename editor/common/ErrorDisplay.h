#pragma once

// The one place where a command's failure is shown: every menu command and window
// handler runs through RunCommand, so no exception reaches the Qt event loop.

#include <exception>
#include <functional>

class QWidget;

namespace editor {

class MessageBoxes;

class ErrorDisplay {
  public:
    explicit ErrorDisplay(MessageBoxes& boxes) : m_boxes(boxes) {}

    // Runs the command; a failure is shown in the error box with its text. True when the
    // command ran to its end.
    bool RunCommand(const std::function<void()>& command, QWidget* owner = nullptr) noexcept;
    // Shows the exception in flight (call from a catch block).
    void ShowCurrentException(QWidget* owner = nullptr) noexcept;

    MessageBoxes& Boxes() { return m_boxes; }

  private:
    MessageBoxes& m_boxes;
};

}  // namespace editor
