// What the main window shows can be read: texts are not cut or crowded.

#include <QFontMetrics>

#include "controls/MidiComboBox.h"
#include "controls/MidiKnob.h"
#include "controls/KnobGeometry.h"
#include "tests/editor/PatchFixture.h"

namespace patchtest {
namespace {

// The longest sound line there is: three digits, ": ", five name characters, "." and the
// type character, as the factory's "%BknF.O".
TEST_F(PatchEditorTest, PerformanceSoundBoxesShowWholeNames) {
    for (const char* name : {"PerfSound1", "PerfSound2", "PerfSound3", "Sound1", "Sound2"}) {
        auto* combo = Control<controls::TMidiComboBox>(name);
        const QFontMetrics metrics(combo->font());
        for (const char* line : {"489: %BknF.O", "247: OrcHi.M", "001: [Empty]"}) {
            EXPECT_LE(metrics.horizontalAdvance(QString::fromLatin1(line)) + 1, combo->FaceRect().width())
                << name << " cuts " << line;
        }
    }
}

// Each note-map knob's value stands nearer its own knob than the caption of the knob
// above it, so it is clear which number is whose.
TEST_F(PatchEditorTest, NotemapValuesStandWithTheirOwnKnobs) {
    const char* knobs[] = {"Sound1Pitch", "Sound2Pitch", "LayerValue"};
    for (int k = 0; k + 1 < 3; ++k) {
        auto* upper = Control<controls::TMidiKnob>(knobs[k]);
        auto* lower = Control<controls::TMidiKnob>(knobs[k + 1]);
        const int line = QFontMetrics(lower->font()).height();
        const int captionBottom = upper->geometry().bottom();
        const int valueTop = lower->y() + controls::ValueTextBox(lower->Layout(), line).top();
        const int valueBottom = lower->y() + controls::ValueTextBox(lower->Layout(), line).bottom();
        const int bodyTop = lower->y() + controls::BodyBox(lower->Layout()).top();
        EXPECT_GT(valueTop - captionBottom, bodyTop - valueBottom) << knobs[k + 1];
        // And the knob still has room for value, body and caption one under the other.
        EXPECT_LE(controls::BodyBox(lower->Layout()).bottom(),
                  controls::CaptionTop(lower->Layout(), line) + 1) << knobs[k + 1];
        EXPECT_LE(upper->geometry().bottom(), lower->parentWidget()->height()) << knobs[k];
    }
}

}  // namespace
}  // namespace patchtest
