#include "td7/history/SettingsCopy.h"

#include "midilink/DumpCollection.h"
#include "midilink/MidiCom.h"
#include "td7/map/Retarget.h"
#include "td7/map/Td7Collections.h"

namespace td7 {

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

namespace {

// What a copy holds, as a menu's step names it and as a sentence does.
struct CopyWords {
    const char* Title;
    const char* Sentence;
};

CopyWords WordsFor(PanelId panel) {
    switch (panel) {
        case PanelId::HihatPedal:
            return {"Pedal Settings", "Pedal settings"};
        case PanelId::Notemap:
            return {"Notemap Entry", "Notemap entry"};
        default:
            return {"Trigger Settings", "Trigger settings"};
    }
}

}  // namespace

std::string PasteLabel(PanelId panel) {
    return std::string("Paste ") + WordsFor(panel).Title;
}

std::string CopiedText(PanelId panel) {
    return std::string(WordsFor(panel).Sentence) + " copied";
}

std::string PasteRefusedText(PanelId panel) {
    return panel == PanelId::HihatPedal ? "Pedal settings can only be pasted onto the pedal"
                                        : "Trigger settings can only be pasted onto a trigger";
}

}  // namespace td7
