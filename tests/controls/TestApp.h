#pragma once

// One QApplication for the whole test program, created by the first widget test. It is
// never destroyed: widgets that tests leave to static storage must not outlive it.

#include <QApplication>

namespace controls_test {

inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "controls_tests";
    static char* argv[] = {name, nullptr};
    // Headless unless the caller chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// First base of a widget fixture, so that the application exists before the fixture's
// widget members are built.
class WithTestApp {
  protected:
    WithTestApp() { TestApp(); }
};

}  // namespace controls_test
