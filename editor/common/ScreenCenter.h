#pragma once

// The editor's windows open in the middle of the screen's free area.

class QWidget;

namespace editor {

// Moves the window so its centre is that of the primary screen's available area; without a
// screen it stays where it is.
void CenterOnScreen(QWidget& window);

}  // namespace editor
