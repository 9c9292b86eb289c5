#pragma once

// The knob and the up-down are drawn here, not by the toolkit, so a screen reader learns
// about them from these interfaces: the name is the control's accessible name, else its
// hint (the tooltip; an up-down's may sit on its field), else its caption; the value is
// the text the control shows; the range is Min..Max; a changed value is announced.

class QAccessibleInterface;
class QObject;
class QString;
class QWidget;

namespace controls {

// Installs the interfaces' factory; the first knob or up-down made does so.
void InstallAccessibility();

// Announces a knob's or up-down's new value to a listening screen reader.
void AnnounceValue(QWidget* control, int value);

}  // namespace controls
