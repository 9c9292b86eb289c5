#pragma once

// Where the patch editor's panels and controls sit: client-area and panel coordinates in
// device-independent pixels. What each control binds to is the parameter table's; this is
// only the picture.

#include <span>
#include <string_view>

#include "app/ParameterTable.h"

namespace app {

struct TRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    constexpr bool Empty() const { return Width <= 0 || Height <= 0; }
};

// A panel of the main window: its place in the client area and the text of its title tab.
struct TPanelPlace {
    std::string_view Name;  // paPatchSelect, gbPatchCommon, ...
    TRect Bounds;
    std::string_view Title;  // empty: the panel shares the tab of the one it lies under
};

const std::span<const TPanelPlace> PatchPanels();
const TPanelPlace& PatchPanel(std::string_view name);

// A bound control inside its panel (or on its effect page): the control, the label that
// names it (none for knobs and check boxes, which carry their caption themselves), and
// for an up-down the read-only field that shows its position.
struct TControlPlace {
    std::string_view Name;
    TRect Control;
    TRect Label;
    std::string_view Associate;  // up-downs: the field's name
    TRect AssociateRect;
};

// Every bound control of the main window, in parameter-table order.
std::span<const TControlPlace> PatchControlPlaces();
const TControlPlace* FindControlPlace(std::string_view name);

// The effect page containers inside gbEffect1 and gbEffect2.
inline constexpr TRect kEffectNotebook{72, 3, 161, 50};
inline constexpr TRect kEffectTypeLabel{6, 6, 40, 12};

// Panel furniture that binds to nothing.
inline constexpr TRect kPatchListRect{4, 4, 93, 347};    // lbPatch in paPatchSelect
inline constexpr TRect kNameLabel{6, 8, 28, 12};         // "Name:" in gbPatchCommon
inline constexpr TRect kNameEdit{36, 4, 52, 19};         // edName
inline constexpr TRect kNotemapListRect{4, 4, 76, 146};  // lbNotemap in gbNotemap
inline constexpr TRect kSound1Button{184, 16, 18, 20};   // btnSound1
inline constexpr TRect kSound2Button{184, 60, 18, 20};   // btnSound2
inline constexpr TRect kDrumKitRect{0, 0, 232, 184};     // the pads in gbTriggerSelect
inline constexpr TRect kSelectedLabel{8, 191, 44, 12};   // "Selected:"
inline constexpr TRect kTriggerCombo{56, 187, 130, 20};  // coTrigger

// Title tabs: left of the panel plus this, straddling the panel's top edge.
inline constexpr int kTabIndent = 6;
inline constexpr int kTabRise = 7;
inline constexpr int kTabHeight = 13;

// Fonts: the panels' serif and the lists' fixed pitch, heights in pixels; list lines.
inline constexpr int kPanelFontPixels = 9;
inline constexpr int kListFontPixels = 11;
inline constexpr int kListLineHeight = 14;

// The program's knobs.
inline constexpr int kPatchKnobWidth = 29;
inline constexpr int kPatchKnobHeight = 37;
inline constexpr int kPatchKnobOffset = 5;

}  // namespace app
