#pragma once

// Tab goes through a window panel by panel, and inside a panel as one reads: row by row,
// left to right, where a row is what stands level with a control (a list beside three
// rows of boxes comes first, then each row).

#include <vector>

class QWidget;

namespace editor {

// Whether b comes after a in a panel's reading order (positions in the same parent).
bool ReadsBefore(const QWidget& a, const QWidget& b);

// Chains the focusable controls of the panels, in the panels' order and each panel's
// reading order, then `last` (a dialog's buttons).
void OrderTabs(const std::vector<QWidget*>& panels, const std::vector<QWidget*>& last = {});

}  // namespace editor
