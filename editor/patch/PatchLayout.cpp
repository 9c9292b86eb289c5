#include "editor/patch/PatchLayout.h"

#include <array>
#include <stdexcept>
#include <string>

namespace editor {

namespace {

constexpr std::array<TPanelPlace, 8> kPanels = {{
    {"paPatchSelect", {4, 8, 101, 355}, " Patch Select"},
    {"gbPatchCommon", {110, 8, 236, 68}, " Patch Common"},
    {"gbEffect1", {110, 83, 236, 56}, " Effect 1"},
    {"gbEffect2", {110, 146, 236, 56}, " Effect 2"},
    {"gbNotemap", {110, 209, 236, 154}, " Patch Notemap"},
    {"gbTriggerSelect", {351, 8, 232, 215}, " Trigger Select"},
    {"gbHihatPedal", {351, 230, 232, 133}, ""},
    {"gbTrigger", {351, 230, 232, 133}, " Trigger Setup"},
}};

// Knobs on an effect page, left to right.
constexpr TRect PageKnob(int k) {
    return {1 + 32 * k, 0, kPatchKnobWidth, kPatchKnobHeight};
}
// Knobs along the bottom of the trigger and pedal panels.
constexpr TRect SetupKnob(int k) {
    return {6 + 37 * k, 81, kWideKnobWidth, kWideKnobHeight};
}

constexpr TRect kNone{};

// Rows of the trigger and pedal panels: a label and its combo box, left and right column.
constexpr TRect LeftLabel(int row) {
    return {6, 37 + 24 * row, 52, 14};
}
constexpr TRect LeftCombo(int row) {
    return {58, 34 + 24 * row, 52, 20};
}
constexpr TRect RightLabel(int row) {
    return {116, 37 + 24 * row, 50, 14};
}
constexpr TRect RightCombo(int row) {
    return {166, 34 + 24 * row, 62, 20};
}
constexpr TRect kNoteLabel{6, 13, 30, 14};
constexpr TRect kNoteCombo{36, 10, 192, 20};

// gbPatchCommon's three performance sounds side by side.
constexpr TRect PerfLabel(int k) {
    return {5 + 77 * k, 30, 72, 14};
}
constexpr TRect PerfCombo(int k) {
    return {3 + 77 * k, 44, 76, 20};
}

// gbNotemap: three rows of label, combo box and knob beside the list.
constexpr TRect NotemapLabel(int row) {
    return {85, 5 + 50 * row, 80, 14};
}
constexpr TRect NotemapCombo(int row) {
    return {84, 20 + 50 * row, 99, 20};
}
constexpr TRect NotemapKnob(int row) {
    return {204, 3 + 50 * row, kNotemapKnobWidth, kNotemapKnobHeight};
}

constexpr std::array<TControlPlace, 53> kPlaces = {{
    {"udProgram", {200, 10, 15, 19}, kNone, "Edit7", {170, 10, 30, 19}},
    {"cbRxProgram", {104, 11, 64, 16}, kNone, "", kNone},
    {"PerfSound1", PerfCombo(0), PerfLabel(0), "", kNone},
    {"PerfSound2", PerfCombo(1), PerfLabel(1), "", kNone},
    {"PerfSound3", PerfCombo(2), PerfLabel(2), "", kNone},
    {"Effect1Type", {6, 24, 62, 20}, kEffectTypeLabel, "", kNone},
    {"HallLevel", PageKnob(0), kNone, "", kNone},
    {"HallTime", PageKnob(1), kNone, "", kNone},
    {"HallLpf", PageKnob(2), kNone, "", kNone},
    {"RoomLevel", PageKnob(0), kNone, "", kNone},
    {"RoomTime", PageKnob(1), kNone, "", kNone},
    {"RoomLpf", PageKnob(2), kNone, "", kNone},
    {"PlateLevel", PageKnob(0), kNone, "", kNone},
    {"PlateTime", PageKnob(1), kNone, "", kNone},
    {"PlateLpf", PageKnob(2), kNone, "", kNone},
    {"DelayLevel", PageKnob(0), kNone, "", kNone},
    {"DelayLTime", PageKnob(1), kNone, "", kNone},
    {"DelayRTime", PageKnob(2), kNone, "", kNone},
    {"DelayLpf", PageKnob(3), kNone, "", kNone},
    {"DelayFeedback", PageKnob(4), kNone, "", kNone},
    {"Effect2Type", {6, 24, 62, 20}, kEffectTypeLabel, "", kNone},
    {"ChorusLevel", PageKnob(0), kNone, "", kNone},
    {"ChorusRate", PageKnob(1), kNone, "", kNone},
    {"ChorusDepth", PageKnob(2), kNone, "", kNone},
    {"FlangerLevel", PageKnob(0), kNone, "", kNone},
    {"FlangerRate", PageKnob(1), kNone, "", kNone},
    {"FlangerFeedback", PageKnob(2), kNone, "", kNone},
    {"FlangerDepth", PageKnob(3), kNone, "", kNone},
    {"FlangerDelayTime", PageKnob(4), kNone, "", kNone},
    {"pxCtrlMode", RightCombo(0), RightLabel(0), "", kNone},
    {"pxAssign", LeftCombo(0), LeftLabel(0), "", kNone},
    {"pxPedalCurve", SetupKnob(1), kNone, "", kNone},
    {"pxNoteNr", kNoteCombo, kNoteLabel, "", kNone},
    {"pxGateTime", SetupKnob(0), kNone, "", kNone},
    {"pxVeloCurve", LeftCombo(1), LeftLabel(1), "", kNone},
    {"pxSeqPtrn", RightCombo(1), RightLabel(1), "", kNone},
    {"txNoteNr", kNoteCombo, kNoteLabel, "", kNone},
    {"txGateTime", SetupKnob(0), kNone, "", kNone},
    {"txCrosstalk", LeftCombo(0), LeftLabel(0), "", kNone},
    {"txVelCurve", RightCombo(0), RightLabel(0), "", kNone},
    {"txMaxDyna", SetupKnob(1), kNone, "", kNone},
    {"txMinDyna", SetupKnob(2), kNone, "", kNone},
    {"txMinVelo", SetupKnob(3), kNone, "", kNone},
    {"txMaskTime", SetupKnob(4), kNone, "", kNone},
    {"txTreshold", SetupKnob(5), kNone, "", kNone},
    {"txChoke", {168, 60, 60, 16}, kNone, "", kNone},
    {"txSeqPtrn", LeftCombo(1), LeftLabel(1), "", kNone},
    {"LayerMode", NotemapCombo(2), NotemapLabel(2), "", kNone},
    {"LayerValue", NotemapKnob(2), kNone, "", kNone},
    {"Sound1Pitch", NotemapKnob(0), kNone, "", kNone},
    {"Sound1", NotemapCombo(0), NotemapLabel(0), "", kNone},
    {"Sound2Pitch", NotemapKnob(1), kNone, "", kNone},
    {"Sound2", NotemapCombo(1), NotemapLabel(1), "", kNone},
}};

}  // namespace

const std::span<const TPanelPlace> PatchPanels() {
    return kPanels;
}

const TPanelPlace& PatchPanel(std::string_view name) {
    for (const TPanelPlace& panel : kPanels)
        if (panel.Name == name) return panel;
    throw std::out_of_range("No panel " + std::string(name));
}

std::span<const TControlPlace> PatchControlPlaces() {
    return kPlaces;
}

const TControlPlace* FindControlPlace(std::string_view name) {
    for (const TControlPlace& place : kPlaces)
        if (place.Name == name) return &place;
    return nullptr;
}

}  // namespace editor
