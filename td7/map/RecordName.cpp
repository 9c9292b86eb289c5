#include "td7/map/RecordName.h"

#include "td7/map/Td7Decode.h"

namespace td7 {

std::string RecordNameInPatch(Block block, int index) {
    switch (block) {
        case Block::Prog:
            return "common";
        case Block::Trigger:
            return "trigger " +
                   std::string(TriggerTable()[static_cast<std::size_t>(index % kTriggersPerPatch)]
                                   .SelectorText);
        case Block::Notemap:
            return "note " + NoteLabel(index % kNotesPerPatch);
        case Block::Instrument:
            return "instrument " + std::to_string(index + 1);
        case Block::System:
            return "system";
    }
    return {};
}

std::string RecordName(Block block, int index) {
    const auto patch = [&](int perPatch) {
        return "patch " + std::to_string(index / perPatch + 1) + " " +
               RecordNameInPatch(block, index);
    };
    switch (block) {
        case Block::Prog:
            return patch(1);
        case Block::Trigger:
            return patch(kTriggersPerPatch);
        case Block::Notemap:
            return patch(kNotesPerPatch);
        case Block::Instrument:
        case Block::System:
            break;
    }
    return RecordNameInPatch(block, index);
}

}  // namespace td7
