#include "editor/patch/NotemapList.h"

#include "editor/patch/PatchTexts.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"

namespace editor {

namespace {

QString FromLatin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString NotemapListText(int n) {
    return FromLatin1(td7::NoteLabel(n));
}

QString NoteComboText(int p, int n, td7::TTd7Collections& dumps) {
    try {
        return FromLatin1(
            td7::NotemapLine(n, dumps.NotemapDump.Records(td7::NotemapRecord(p, n)), dumps.InstrumentDump));
    } catch (const td7::DecodeError& error) {
        return FromLatin1(td7::NoteLabel(n) + ": " + error.what());
    }
}

bool NoteComboCorrupted(int p, int n, td7::TTd7Collections& dumps) {
    const midilink::TMidiDump& entry = dumps.NotemapDump.Records(td7::NotemapRecord(p, n));
    return td7::NotemapSound1(entry) >= td7::kInstrumentCount || td7::NotemapSound2(entry) >= td7::kInstrumentCount;
}

QString SoundComboText(int i, bool instrumentsPresent, midilink::TDumpCollection& instruments) {
    return FromLatin1(td7::SoundItemText(i, instrumentsPresent ? &instruments : nullptr));
}

}  // namespace editor
