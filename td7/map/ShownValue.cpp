#include "td7/map/ShownValue.h"

#include "midilink/MidiCom.h"
#include "td7/map/ParameterTable.h"
#include "td7/map/Td7Decode.h"
#include "td7/map/Td7Map.h"

namespace td7 {

std::int32_t RecordValue(const TParameter& p, const std::uint8_t* record) {
    midilink::TValueMidiCom com;
    ConfigureArithmetic(com, p);
    return com.ReadValue(record + p.DumpIndex);
}

std::string ShownValue(const TParameter& p, std::int32_t v, const TShownStyle& style) {
    switch (p.Kind) {
        case ControlKind::Knob:
            return ValueText(p.ValueText, v);
        case ControlKind::Combo: {
            if (p.Items == ItemList::Notes) {
                if (style.ListTexts && v >= 0 && v < kNotesPerPatch) return NoteLabel(v);
                return std::to_string(v);
            }
            if (p.Items == ItemList::Sounds) {
                if (style.ListTexts && v >= 0 && v < kInstrumentCount)
                    return SoundItemText(v, style.InstrumentsPresent ? style.Instruments : nullptr);
                return std::to_string(v);
            }
            if (p.Items == ItemList::None) return std::to_string(v);
            const auto& items = Items(p.Items);
            return v >= 0 && v < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(v)]
                                                                : std::to_string(v);
        }
        case ControlKind::Check:
            return std::string(v == p.CheckedValue ? style.On : style.Off);
        case ControlKind::UpDown:
            return std::to_string(v);
    }
    return std::to_string(v);
}

}  // namespace td7
