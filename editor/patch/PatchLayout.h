#pragma once

// Where the patch editor's panels and controls sit: client-area and panel coordinates in
// device-independent pixels. What each control binds to is the parameter table's; this is
// only the picture.

#include <span>
#include <string_view>

#include "td7/map/ParameterTable.h"

namespace editor {

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
inline constexpr TRect kEffectNotebook{72, 3, 162, 50};
inline constexpr TRect kEffectTypeLabel{6, 9, 40, 14};

// Panel furniture that binds to nothing.
inline constexpr TRect kPatchListRect{4, 10, 93, 341};     // lbPatch in paPatchSelect
inline constexpr TRect kNameLabel{6, 12, 30, 14};          // "Name:" in gbPatchCommon
inline constexpr TRect kNameEdit{36, 10, 52, 19};          // edName
inline constexpr TRect kNotemapListRect{4, 10, 76, 140};   // lbNotemap in gbNotemap
inline constexpr TRect kSound1Button{184, 16, 18, 20};     // btnSound1
inline constexpr TRect kSound2Button{184, 60, 18, 20};     // btnSound2
inline constexpr TRect kDrumKitRect{0, 0, 232, 184};       // the pads in gbTriggerSelect
inline constexpr TRect kSelectedLabel{8, 190, 46, 14};     // "Selected:"
inline constexpr TRect kTriggerCombo{56, 187, 130, 20};    // coTrigger
inline constexpr TRect kVelocityRowRect{116, 58, 48, 20};  // last velocities, in gbTrigger

// Title tabs: left of the panel plus this, straddling the panel's top edge.
inline constexpr int kTabIndent = 6;
inline constexpr int kTabRise = 7;
inline constexpr int kTabHeight = 13;  // at least; the font may ask for more

// Fonts: the panels' serif and the lists' fixed pitch, heights in pixels; list lines.
inline constexpr int kPanelFontPixels = 9;
inline constexpr int kListFontPixels = 11;
inline constexpr int kListLineHeight = 14;

// The knobs of the main window: tall enough that the value above, the body and the
// caption below do not overlap in the panels' font; the trigger panel's are wider for
// their longer captions.
inline constexpr int kPatchKnobWidth = 31;
inline constexpr int kPatchKnobHeight = 49;
inline constexpr int kWideKnobWidth = 33;
inline constexpr int kWideKnobHeight = 51;
inline constexpr int kPatchKnobOffset = 0;
// The note map's three knobs stand one above the other, 50 pixels apart: slimmer ones (a
// smaller body) leave a gap under each caption, so each value reads as its own knob's.
inline constexpr int kNotemapKnobWidth = 27;
inline constexpr int kNotemapKnobHeight = 46;

}  // namespace editor
