#include "editor/PatchTexts.h"

#include <cstdio>

#include "td7/Td7Decode.h"

namespace app {

namespace {

bool Blank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

TPatchLine PatchLineText(int p, bool present, const midilink::TMidiDump& common) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d: ", p + 1);
    if (!present) return {std::string(number) + "Empty", true};
    return {std::string(number) + PatchName(common), false};
}

std::string TrimName(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && Blank(text[first])) ++first;
    while (last > first && Blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string SoundItemText(int i, bool instrumentsPresent, midilink::TDumpCollection& instruments) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d: ", i + 1);
    if (!instrumentsPresent) return std::string(number) + "[Empty]";
    return std::string(number) + TrimName(InstrumentNameText(instruments, i));
}

}  // namespace app
