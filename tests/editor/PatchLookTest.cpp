// What the main window shows can be read: texts are not cut or crowded.

#include <algorithm>
#include <utility>
#include <vector>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QCheckBox>
#include <QFontMetrics>

#include "controls/MidiComboBox.h"
#include "controls/MidiKnob.h"
#include "controls/MidiUpDown.h"
#include "controls/BoundControl.h"
#include "editor/instrument/InstrumentWindow.h"
#include "editor/system/SystemWindow.h"
#include "editor/patch/PatchLayout.h"
#include "editor/patch/PatchPanel.h"
#include "editor/common/TabOrder.h"
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

// A screen reader learns every bound control of the three windows: its name (the hint) and
// the value it shows; the drawn ones also their range.
TEST_F(PatchEditorTest, EveryBoundControlTellsAScreenReaderItsNameAndValue) {
    LoadPatch(2);
    SelectPatch(2);
    QWidget* windows[] = {&Main(), editor.windows->fmInstrument.get(), editor.windows->fmSystem.get()};
    int checked = 0;
    for (QWidget* window : windows) {
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (controls::BindingOf(widget) == nullptr) continue;
            ++checked;
            const std::string name = widget->objectName().toStdString();
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(a, nullptr) << name;
            EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << name;
            // A combo box's name is its text on some platforms, which name it by its label.
            if (!widget->toolTip().isEmpty() && qobject_cast<QComboBox*>(widget) == nullptr) {
                EXPECT_EQ(a->text(QAccessible::Name), widget->toolTip()) << name;
            }
            EXPECT_EQ(widget->accessibleName(), widget->toolTip()) << name;
            if (auto* knob = qobject_cast<controls::TQvKnob*>(widget)) {
                EXPECT_EQ(a->role(), QAccessible::Dial) << name;
                EXPECT_EQ(a->text(QAccessible::Value), knob->ShownValueText()) << name;
                ASSERT_NE(a->valueInterface(), nullptr) << name;
                EXPECT_EQ(a->valueInterface()->minimumValue().toInt(), knob->Min()) << name;
                EXPECT_EQ(a->valueInterface()->maximumValue().toInt(), knob->Max()) << name;
                EXPECT_EQ(a->valueInterface()->currentValue().toInt(), knob->Value()) << name;
            } else if (auto* upDown = qobject_cast<controls::TUpDown*>(widget)) {
                EXPECT_EQ(a->role(), QAccessible::SpinBox) << name;
                EXPECT_EQ(a->text(QAccessible::Value), upDown->Associate()->property("text").toString())
                    << name;
                ASSERT_NE(a->valueInterface(), nullptr) << name;
                EXPECT_EQ(a->valueInterface()->maximumValue().toInt(), upDown->Max()) << name;
            } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                EXPECT_EQ(a->text(QAccessible::Value), combo->currentText()) << name;
            } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
                EXPECT_EQ(a->state().checked, box->checkState() == Qt::Checked) << name;
            }
        }
    }
    EXPECT_EQ(checked, 90);  // every bound parameter of the three windows
}

// A screen reader sets a knob or the program number as the user would: stored and sent.
// (Its announcements need a platform with a reader attached; offscreen has none.)
TEST_F(PatchEditorTest, AScreenReaderSetsValuesAsTheUserDoes) {
    LoadPatch(2);
    SelectPatch(2);
    auto* level = Control<controls::TMidiKnob>("HallLevel");
    TakeSent();
    QAccessible::queryAccessibleInterface(level)->valueInterface()->setCurrentValue(7);
    EXPECT_EQ(level->Value(), 7);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(level)->text(QAccessible::Value),
              level->ShownValueText());
    EXPECT_FALSE(TakeSent().empty());

    auto* program = Control<controls::TMidiUpDown>("udProgram");
    QAccessibleInterface* number = QAccessible::queryAccessibleInterface(program);
    number->valueInterface()->setCurrentValue(200);  // limited to 128
    EXPECT_EQ(program->Position(), 128);
    EXPECT_EQ(number->text(QAccessible::Value), "128");
    EXPECT_EQ(Main().Dumps().ProgDump.Records(2).Bytes(9), 127);
}

// Tab goes through the main and system windows panel by panel, and inside a panel row by
// row, left to right.
TEST_F(PatchEditorTest, TabFollowsThePanels) {
    auto panelOf = [](QWidget* w) {
        while (w && !w->objectName().startsWith("gb") && !w->objectName().startsWith("pa"))
            w = w->parentWidget();
        return w;
    };
    std::vector<QWidget*> mainPanels;
    for (const editor::TPanelPlace& panel : editor::PatchPanels())
        mainPanels.push_back(Patch().Panel(panel.Name));
    editor::TfmSystem& system = *editor.windows->fmSystem;
    const std::pair<QWidget*, std::vector<QWidget*>> windows[] = {
        {&Main(), mainPanels}, {&system, {system.gbSystem()}}};
    for (const auto& [window, panels] : windows) {
        std::vector<QWidget*> chain;
        QWidget* w = window;
        for (int k = 0; k < 300; ++k) {
            w = w->nextInFocusChain();
            if (w == window) break;
            if ((w->focusPolicy() & Qt::TabFocus) && panelOf(w) != nullptr) chain.push_back(w);
        }
        ASSERT_GT(chain.size(), 20u);
        // The chain is a ring: read it from where it comes back to the first panel.
        auto first = chain.end();
        for (std::size_t k = 0; k < chain.size() && first == chain.end(); ++k) {
            QWidget* before = chain[(k + chain.size() - 1) % chain.size()];
            if (panelOf(chain[k]) == panels.front() &&
                (panelOf(before) != panels.front() || editor::ReadsBefore(*chain[k], *before)))
                first = chain.begin() + static_cast<std::ptrdiff_t>(k);
        }
        ASSERT_NE(first, chain.end());
        std::rotate(chain.begin(), first, chain.end());
        std::size_t panel = 0;
        for (std::size_t k = 0; k < chain.size(); ++k) {
            const auto at = std::find(panels.begin(), panels.end(), panelOf(chain[k]));
            ASSERT_NE(at, panels.end()) << chain[k]->objectName().toStdString();
            const auto index = static_cast<std::size_t>(at - panels.begin());
            EXPECT_GE(index, panel) << chain[k]->objectName().toStdString() << " after another panel";
            if (k > 0 && index == panel) {
                EXPECT_FALSE(editor::ReadsBefore(*chain[k], *chain[k - 1]))
                    << chain[k]->objectName().toStdString() << " before "
                    << chain[k - 1]->objectName().toStdString();
            }
            panel = index;
        }
    }
}

}  // namespace
}  // namespace patchtest
