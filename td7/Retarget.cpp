#include "td7/Retarget.h"

#include <cstdio>

#include "midilink/MidiCom.h"
#include "td7/Td7Map.h"

namespace app {

namespace {

// 0-based position and length of a2 a3 in "F041v05812" a1 a2 a3 a4 ...
constexpr std::size_t kSelectionAt = 12;
constexpr std::size_t kSelectionLength = 4;

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
    char pairs[8];
    std::snprintf(pairs, sizeof pairs, "%02X%02X", selection.A2 & 0xFF, selection.A3 & 0xFF);
    result.replace(kSelectionAt, kSelectionLength, pairs);
    return result;
}

bool IsRetargeted(std::string_view command, std::string_view tmpl, Selection selection) {
    constexpr std::size_t end = kSelectionAt + kSelectionLength;
    if (tmpl.size() < end) return command == tmpl;
    if (command.size() != tmpl.size() ||
        command.substr(0, kSelectionAt) != tmpl.substr(0, kSelectionAt) ||
        command.substr(end) != tmpl.substr(end))
        return false;
    constexpr char kHex[] = "0123456789ABCDEF";
    const int bytes[2] = {selection.A2 & 0xFF, selection.A3 & 0xFF};
    for (std::size_t k = 0; k < kSelectionLength; ++k) {
        const int byte = bytes[k / 2];
        if (command[kSelectionAt + k] != kHex[k % 2 == 0 ? byte >> 4 : byte & 0xF]) return false;
    }
    return true;
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

}  // namespace app
