#include "editor/common/ErrorDisplay.h"

#include <QString>

#include "editor/common/MessageBoxes.h"

namespace editor {

bool ErrorDisplay::RunCommand(const std::function<void()>& command, QWidget* owner) noexcept {
    try {
        command();
        return true;
    } catch (...) {
        ShowCurrentException(owner);
        return false;
    }
}

void ErrorDisplay::ShowCurrentException(QWidget* owner) noexcept {
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            m_boxes.Error(QString::fromLocal8Bit(e.what()), owner);
        } catch (...) {
            m_boxes.Error(QStringLiteral("Unknown error"), owner);
        }
    } catch (...) {
        // Showing the box failed as well (out of memory); nothing more can be done here.
    }
}

}  // namespace editor
