#include "editor/patch/NotemapList.h"

#include "editor/patch/PatchTexts.h"
#include "td7/Td7Collections.h"
#include "td7/Td7Decode.h"

namespace app {

namespace {

QString FromLatin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString NotemapListText(int n) {
    return FromLatin1(NoteLabel(n));
}

QString NoteComboText(int p, int n, TTd7Collections& dumps) {
    try {
        return FromLatin1(
            NotemapLine(n, dumps.NotemapDump.Records(NotemapRecord(p, n)), dumps.InstrumentDump));
    } catch (const DecodeError& error) {
        return FromLatin1(NoteLabel(n) + ": " + error.what());
    }
}

bool NoteComboCorrupted(int p, int n, TTd7Collections& dumps) {
    const midilink::TMidiDump& entry = dumps.NotemapDump.Records(NotemapRecord(p, n));
    return NotemapSound1(entry) >= kInstrumentCount || NotemapSound2(entry) >= kInstrumentCount;
}

QString SoundComboText(int i, bool instrumentsPresent, midilink::TDumpCollection& instruments) {
    return FromLatin1(SoundItemText(i, instrumentsPresent ? &instruments : nullptr));
}

}  // namespace app
