#pragma once

// A window whose controls need more room than a small screen (or a large scale factor)
// gives: its body scrolls instead of the window growing past the screen's edge, where its
// buttons could not be reached.

class QVBoxLayout;
class QWidget;

namespace editor {

// Fills `window` with a frameless scroll area and returns the layout of the body inside
// it, for the window's controls.
QVBoxLayout* ScrollingBody(QWidget& window);

}  // namespace editor
