#include "editor/patch/PatchTexts.h"

#include <cstdio>

#include "td7/map/Td7Decode.h"

namespace editor {

TPatchLine PatchLineText(int p, bool present, const midilink::TMidiDump& common) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d: ", p + 1);
    if (!present) return {std::string(number) + "Empty", true};
    return {std::string(number) + td7::PatchName(common), false};
}

}  // namespace editor
