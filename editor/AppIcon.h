#pragma once

#include <QIcon>

namespace app {

// The program's icon, drawn here at the usual sizes so that the window icon needs no
// image plugin; the installed SVG shows the same picture.
QIcon ApplicationIcon();

}  // namespace app
