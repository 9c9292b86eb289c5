#pragma once

#include <QApplication>

namespace editor {

class ErrorDisplay;

// The application object. Qt cannot carry an exception through its event loop, so any
// that escapes a handler which did not go through ErrorDisplay ends here and is shown.
class Application : public QApplication {
  public:
    Application(int& argc, char** argv);
    // Also receives the failures of the bound controls (a send to a port that is gone,
    // say), which cannot raise through the event loop either.
    void SetErrorDisplay(ErrorDisplay* display);
    bool notify(QObject* receiver, QEvent* event) override;

  private:
    ErrorDisplay* m_errors = nullptr;
};

}  // namespace editor
