#include "app/Application.h"

#include <cstdio>
#include <exception>

#include "app/ErrorDisplay.h"
#include "app/Version.h"

namespace app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(kApplicationTitle));
    setApplicationDisplayName(QString::fromLatin1(kApplicationTitle));
    setApplicationVersion(QString::fromStdString(VersionNumber()));
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
