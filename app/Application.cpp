#include "app/Application.h"

#include <cstdio>
#include <exception>

#include "app/ErrorDisplay.h"
#include "app/Version.h"

namespace app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The title only as the application's name: a display name would be appended to every
    // window caption by the X11 platform, and the captions are given exactly.
    setApplicationName(QString::fromLatin1(kApplicationTitle));
    setApplicationVersion(QString::fromStdString(VersionNumber()));
    // Lets the desktop match the windows with the installed entry and its icon.
    setDesktopFileName(QStringLiteral("org.example.tamboro.Tamboro"));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (m_errors != nullptr) {
            m_errors->ShowCurrentException();
        } else {
            try {
                throw;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
            } catch (...) {
            }
        }
        return false;
    }
}

}  // namespace app
