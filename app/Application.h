#pragma once

#include <QApplication>

namespace app {

class ErrorDisplay;

// The application object. Qt cannot carry an exception through its event loop, so any
// that escapes a handler which did not go through ErrorDisplay ends here and is shown.
class Application : public QApplication {
  public:
    Application(int& argc, char** argv);
    void SetErrorDisplay(ErrorDisplay* display) { m_errors = display; }
    bool notify(QObject* receiver, QEvent* event) override;

  private:
    ErrorDisplay* m_errors = nullptr;
};

}  // namespace app
