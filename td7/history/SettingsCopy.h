#pragma once

// Copy and paste of one panel's settings: a trigger's, the hi-hat pedal's or a note-map
// entry's parameters, read from one record and set on another as one undo step.

#include <string>
#include <vector>

#include "td7/history/EditHistory.h"
#include "td7/map/ParameterTable.h"

namespace td7 {

class TTd7Collections;

// The values of every parameter of the panel (Trigger, HihatPedal or Notemap) in record
// `record` of its collection, in table order.
std::vector<TParameterEdit> CopySettings(TTd7Collections& dumps, PanelId panel, int record);
// The same values for record `record`.
std::vector<TParameterEdit> RetargetedSettings(std::vector<TParameterEdit> values, int record);

// "Paste Trigger Settings", "Paste Pedal Settings", "Paste Notemap Entry".
std::string PasteLabel(PanelId panel);
// The status line after a copy, and when a paste does not fit the selection.
std::string CopiedText(PanelId panel);
std::string PasteRefusedText(PanelId panel);

}  // namespace td7
