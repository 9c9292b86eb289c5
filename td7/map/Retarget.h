#pragma once

// Retargeting: the templates of a panel's bound controls address the block of the record
// that the controls edit, so when the selection changes the two selection bytes a2 a3 of
// every template in the panel are rewritten.

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "td7/map/ParameterTable.h"

namespace midilink {
class TMidiCom;
}

namespace td7 {

// The selection bytes a2 a3.
struct Selection {
    int A2;
    int A3;
    friend bool operator==(const Selection&, const Selection&) = default;
};

Selection PatchSelection(int p);           // (p, 0)
Selection TriggerSelection(int p, int t);  // (p, t + 1)
Selection NotemapSelection(int p, int n);  // (p, 35 + n)
Selection InstrumentSelection(int i);      // (i div 128, i mod 128)

// The panels that follow the current patch with the selection (p, 0).
inline constexpr std::array<PanelId, 4> kPatchPanels = {PanelId::HihatPedal, PanelId::PatchCommon,
                                                        PanelId::Effect1, PanelId::Effect2};

// The template with characters 13..16 (counting from 1: a2 and a3) replaced by the
// selection as upper-case hex pairs. A template too short to hold them is returned as is.
std::string RetargetTemplate(std::string_view command, Selection selection);
void RetargetCom(midilink::TMidiCom& com, Selection selection);

// The rows of the panel's controls, those on its pages included, in table order.
std::vector<const TParameter*> PanelMembers(PanelId panel);

// The system window's templates keep their one fixed address.
bool Retargetable(PanelId panel);

// Rewrites the template of every bound control of the panel. bindingOf gives a control's
// binding by name, or nullptr for a control that has none (it is skipped).
void RetargetPanel(PanelId panel, Selection selection,
                   const std::function<midilink::TMidiCom*(std::string_view name)>& bindingOf);

}  // namespace td7
