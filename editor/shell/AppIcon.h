#pragma once

#include <QIcon>

namespace editor {

// The program's icon, rendered from the SVG that is installed for the desktop.
QIcon ApplicationIcon();

}  // namespace editor
