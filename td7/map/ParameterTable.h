#pragma once

// Every parameter that a window binds to a byte of a record, as data: the windows create
// their bound controls from these rows, and the tests check them, so each fact about a
// parameter is written once, here.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "midilink/Types.h"
#include "td7/map/Td7Map.h"

namespace midilink {
class TMidiLink;
class TValueMidiCom;
}  // namespace midilink

namespace td7 {

class TTd7Collections;

enum class ControlKind : std::uint8_t { Knob, Combo, Check, UpDown };

enum class WindowId : std::uint8_t { Main, Instrument, System };

// The panel that holds a control; retargeting rewrites every control of a panel at once.
enum class PanelId : std::uint8_t {
    PatchCommon,  // gbPatchCommon
    Effect1,      // gbEffect1, with the pages of Effect1Notebook
    Effect2,      // gbEffect2, with the pages of Effect2Notebook
    HihatPedal,   // gbHihatPedal
    Trigger,      // gbTrigger
    Notemap,      // gbNotemap
    Inst,         // gbInst on the instrument window
    System,       // the one panel of the system window
};

// The items a combo box holds. Notes and Sounds are owner-drawn lists whose texts the
// windows build from the records; their items here are placeholders.
enum class ItemList : std::uint8_t {
    None,
    Effect1Types,
    Effect2Types,
    PedalCtrlModes,
    PedalAssigns,
    VelocityCurves,
    SeqPatterns,  // "Off", "1" .. "48": sequence patterns and crosstalk groups
    Notes,        // 59 items, notes 35..93
    Sounds,       // 512 items, instruments 0..511
    LayerModes,
    Waveforms,
    Polyphony,
    AssignGroups,  // "Off", "1" .. "31"
    CtrlChModes,
    FootSwModes,
    SetSend1,
    SetSend2,
    InterfaceModes,
};

// How a knob shows its value (the OnValueText handlers); Plain is the number itself.
enum class ValueTextRule : std::uint8_t {
    Plain,
    GateTime,         // txGateTimeValueText: "0.1s" .. "4.0s"
    MinVelo,          // txMinVeloValueText: velocity table
    MaskTime,         // txMaskTimeValueText: "0ms" .. "124ms"
    SoundPitch,       // SoundPitchValueText: v x 100
    InstrumentPitch,  // PitchValueText: v x 10
    Pan,              // PanValueText: "Random" at 8
    PrfChan,          // PrfChanValueText: "Off" at 17
    PitchBend,        // PitchBendValueText: "Off" at 0
};

struct TParameter {
    std::string_view Name;  // the control's name
    WindowId Window;
    PanelId Panel;
    std::string_view Page;  // effect page inside the panel; empty elsewhere
    ControlKind Kind;
    Block Collection;
    int DumpIndex;  // record position of the first byte (data offset + 9)
    int Min;        // shown range: a knob's or up-down's Min..Max, a combo box's item
    int Max;        // indexes, a check box's 0..1
    ItemList Items;
    int Offset;   // added to the shown value to give the stored and sent value
    int Default;  // in the control's units: position, item index, check state
    midilink::TDumpMode DumpMode;
    bool Negatives;
    int DataWidth;
    std::string_view MidiCommand;  // as the form stores it: a2 a3 = 00 00 (triggers 00 01)
    ValueTextRule ValueText;
    int CheckedValue;  // check boxes: the values stored when checked and unchecked
    int UnCheckedValue;
    std::string_view Hint;     // the control's hint; empty where it has none
    std::string_view Caption;  // its label, or the caption under a knob
};

// All 90 rows: the patch common block, the trigger block, the note-map entry, the
// instrument block and the system block, each in data-offset order.
std::span<const TParameter> Parameters();

// The row of a control, or nullptr.
const TParameter* FindParameter(std::string_view name);
// The row of a control the program names itself; a name the table lacks is a fault of the
// program (std::logic_error "No parameter " + name).
const TParameter& ParameterRow(std::string_view name);

WindowId WindowOf(PanelId panel);
Block BlockOf(PanelId panel);
// The panel's component name ("gbTrigger"); the system window's panel is "gbSystem".
std::string_view PanelName(PanelId panel);
// The panel as the windows title it: "Patch Common", "Effect 1", "Trigger", ...
std::string_view PanelTitle(PanelId panel);

// The items of a list, in order.
const std::vector<std::string>& Items(ItemList list);
int ItemCount(ItemList list);

// The text a knob shows for value v under the rule.
std::string ValueText(ValueTextRule rule, int v);

// Sets a binding from its row: position, collection, link, Roland checksum, template,
// Offset, Default, Negatives, DataWidth and DumpMode. The template is the form's, with
// a2 a3 as stored; the window retargets it.
void ConfigureBinding(midilink::TValueMidiCom& com, const TParameter& parameter,
                      TTd7Collections& collections, midilink::TMidiLink* link);
// Only the row's arithmetic (position, Offset, Negatives, DataWidth, DumpMode): a binding on
// no list that lays and reads the row's values.
void ConfigureArithmetic(midilink::TValueMidiCom& com, const TParameter& parameter);

}  // namespace td7
