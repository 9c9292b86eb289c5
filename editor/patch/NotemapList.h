#pragma once

// What the note-map list, the two note combo boxes and the five sound combo boxes show.
// Their items are placeholders; each line is built from the records when it is drawn.

#include <QString>

namespace midilink {
class TDumpCollection;
}

namespace td7 {
class TTd7Collections;
}  // namespace td7

namespace editor {


// `lbNotemapDrawItem`: "35 B 1" for line 0, "37 C#2" for note 37.
QString NotemapListText(int n);

// `NoteNrDrawItem`: the whole note-map line of entry n of patch p. An entry whose sound
// numbers lie outside the instruments reads "<note>: Instrument dump is corrupted" (drawing
// must not raise: a message box in the middle of painting would paint again behind it).
QString NoteComboText(int p, int n, td7::TTd7Collections& dumps);
// Whether the item cannot be built from its record.
bool NoteComboCorrupted(int p, int n, td7::TTd7Collections& dumps);

// `SoundxDrawItem`: "001: " and the trimmed instrument name, or "001: [Empty]".
QString SoundComboText(int i, bool instrumentsPresent, midilink::TDumpCollection& instruments);

}  // namespace editor
