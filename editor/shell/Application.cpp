#include "editor/shell/Application.h"

#include <cstdio>
#include <exception>

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "controls/Error.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/common/MessageBoxes.h"
#include "td7/settings/Version.h"

namespace editor {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The title only as the application's name: a display name would be appended to every
    // window caption by the X11 platform, and the captions are given exactly.
    setApplicationName(QString::fromLatin1(td7::kApplicationTitle));
    setApplicationVersion(QString::fromStdString(td7::VersionNumber()));
    // Lets the desktop match the windows with the installed entry and its icon.
    setDesktopFileName(QStringLiteral("org.example.tamboro.Tamboro"));
}

void Application::SetErrorDisplay(ErrorDisplay* display) {
    m_errors = display;
    if (display == nullptr) {
        controls::SetErrorHandler(nullptr);
        return;
    }
    controls::SetErrorHandler([display](QWidget* origin, const std::string& text) {
        // The failure may come from inside a paint; the box waits until that is over.
        QPointer<QWidget> owner(origin);
        const QString message = QString::fromLocal8Bit(text.c_str());
        QTimer::singleShot(
            0, [display, owner, message] { display->Boxes().Error(message, owner.data()); });
    });
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

}  // namespace editor
