#include "td7/triggers/HitsCsv.h"

#include <cstdint>
#include <cstdio>
#include <span>

#include "td7/files/FileIo.h"
#include "td7/triggers/TriggerCheck.h"

namespace td7 {

std::string HitsCsv(const TTriggerCheck& check) {
    std::string text = "seconds,note,velocity,trigger,flag\n";
    for (const TCheckedNote& note : check.Notes()) {
        char seconds[32];
        // Tenths of a millisecond: the gaps that matter are a few milliseconds.
        std::snprintf(seconds, sizeof seconds, "%.4f", note.Seconds);
        text += seconds;
        text += ',' + std::to_string(note.Note) + ',' + std::to_string(note.Velocity) + ',';
        if (note.Pad >= 0) text += check.Pads().Name(note.Pad);
        text += ',' + NoteFlagText(note.Flag) + '\n';
    }
    return text;
}

void SaveHitsCsv(const std::filesystem::path& file, const TTriggerCheck& check) {
    const std::string text = HitsCsv(check);
    ReplaceFile(file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace td7
