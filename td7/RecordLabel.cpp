#include "td7/RecordLabel.h"

namespace td7 {

std::string RecordLabel(Block block, int index) {
    switch (block) {
        case Block::System:
            return "system";
        case Block::Prog:
            return "patch " + std::to_string(index + 1) + " common";
        case Block::Trigger:
            return "patch " + std::to_string(index / kTriggersPerPatch + 1) + " trigger " +
                   std::string(
                       TriggerTable()[static_cast<std::size_t>(index % kTriggersPerPatch)]
                           .SelectorText);
        case Block::Notemap:
            return "patch " + std::to_string(index / kNotesPerPatch + 1) + " note " +
                   std::to_string(index % kNotesPerPatch + kFirstNote);
        case Block::Instrument:
            return "instrument " + std::to_string(index + 1);
    }
    return {};
}

}  // namespace td7
