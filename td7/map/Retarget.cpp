#include "td7/map/Retarget.h"

#include <algorithm>
#include <array>

#include "midilink/MidiCom.h"
#include "td7/map/Td7Map.h"

namespace td7 {

namespace {

// 0-based position and length of a2 a3 in "F041v05812" a1 a2 a3 a4 ...
constexpr std::size_t kSelectionAt = 12;
constexpr std::size_t kSelectionLength = 4;

// The selection as the four upper-case hex digits of a2 a3.
std::array<char, kSelectionLength> HexPairs(Selection selection) {
    constexpr char kHex[] = "0123456789ABCDEF";
    const int a2 = selection.A2 & 0xFF;
    const int a3 = selection.A3 & 0xFF;
    return {kHex[a2 >> 4], kHex[a2 & 0xF], kHex[a3 >> 4], kHex[a3 & 0xF]};
}

}  // namespace

Selection PatchSelection(int p) {
    return {p, 0};
}

Selection TriggerSelection(int p, int t) {
    return {p, t + 1};
}

Selection NotemapSelection(int p, int n) {
    return {p, kFirstNote + n};
}

Selection InstrumentSelection(int i) {
    return {i / 128, i % 128};
}

std::string RetargetTemplate(std::string_view command, Selection selection) {
    std::string result(command);
    if (result.size() < kSelectionAt + kSelectionLength) return result;
    const auto pairs = HexPairs(selection);
    std::copy(pairs.begin(), pairs.end(), result.begin() + kSelectionAt);
    return result;
}

void RetargetCom(midilink::TMidiCom& com, Selection selection) {
    com.SetMidiCommand(RetargetTemplate(com.MidiCommand(), selection));
}

std::vector<const TParameter*> PanelMembers(PanelId panel) {
    std::vector<const TParameter*> members;
    for (const TParameter& parameter : Parameters())
        if (parameter.Panel == panel) members.push_back(&parameter);
    return members;
}

bool Retargetable(PanelId panel) {
    return panel != PanelId::System;
}

void RetargetPanel(PanelId panel, Selection selection,
                   const std::function<midilink::TMidiCom*(std::string_view name)>& bindingOf) {
    if (!Retargetable(panel)) return;
    for (const TParameter* parameter : PanelMembers(panel))
        if (midilink::TMidiCom* com = bindingOf(parameter->Name)) RetargetCom(*com, selection);
}

}  // namespace td7
