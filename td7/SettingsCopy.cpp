#include "td7/SettingsCopy.h"

#include "midilink/DumpCollection.h"
#include "midilink/MidiCom.h"
#include "td7/Retarget.h"
#include "td7/Td7Collections.h"

namespace app {

std::vector<TParameterEdit> CopySettings(TTd7Collections& dumps, PanelId panel, int record) {
    std::vector<TParameterEdit> values;
    for (const TParameter* parameter : PanelMembers(panel)) {
        midilink::TValueMidiCom com;
        ConfigureArithmetic(com, *parameter);
        const midilink::TMidiDump& stored = dumps.Of(parameter->Collection).Records(record);
        values.push_back({parameter, record, com.ReadValue(stored.Data() + parameter->DumpIndex)});
    }
    return values;
}

std::vector<TParameterEdit> RetargetedSettings(std::vector<TParameterEdit> values, int record) {
    for (TParameterEdit& value : values) value.Record = record;
    return values;
}

std::string PasteLabel(PanelId panel) {
    switch (panel) {
        case PanelId::HihatPedal:
            return "Paste Pedal Settings";
        case PanelId::Notemap:
            return "Paste Notemap Entry";
        default:
            return "Paste Trigger Settings";
    }
}

std::string CopiedText(PanelId panel) {
    switch (panel) {
        case PanelId::HihatPedal:
            return "Pedal settings copied";
        case PanelId::Notemap:
            return "Notemap entry copied";
        default:
            return "Trigger settings copied";
    }
}

std::string PasteRefusedText(PanelId panel) {
    return panel == PanelId::HihatPedal ? "Pedal settings can only be pasted onto the pedal"
                                        : "Trigger settings can only be pasted onto a trigger";
}

}  // namespace app
