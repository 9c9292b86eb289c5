#pragma once

// The editor's windows with the patch editor, its output on the fake service's first
// device, and patches filled from the virtual TD-7's factory content the way received
// answers fill them: offered to the link.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QTest>

#include "editor/patch/DrumKit.h"
#include "editor/shell/MainWindow.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "midilink/MidiCompLink.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "tests/editor/ShellHarness.h"

namespace patchtest {

using Bytes = std::vector<std::uint8_t>;
using simulator::Td7Module;

class PatchEditorTest : public ::testing::Test {
  protected:
    PatchEditorTest() : editor(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
        editor.Start({}, 0);
        editor.wait->module.LoadFactory();
        // Focus moves, and leaving a field is noticed, only in the active window.
        Main().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&Main()));
        // Empty slots are shown without the empty-patch dialog, which has tests of its own;
        // a test that wants it attaches its own answer.
        Patch().OnQueryEmpty = nullptr;
        // The empty-patch dialog is tested on its own; here an empty slot is shown as is.
        Patch().OnQueryEmpty = nullptr;
    }

    editor::TfmTamboro& Main() { return editor.Main(); }
    editor::TPatchEditor& Patch() { return *editor.windows->PatchEditor; }
    template <class T>
    T* Control(const char* name) {
        T* control = Patch().Control<T>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    void Offer(const simulator::Block& block) {
        const Bytes bytes = editor.wait->module.DataSetOf(block);
        ASSERT_TRUE(
            Main().MidiCompLink1().OfferSysex(bytes.data(), static_cast<int>(bytes.size())));
    }
    // Patch p as Request Current leaves it: its 78 records stored, the slot present.
    void LoadPatch(int p) {
        Offer(Td7Module::CommonBlock(p));
        for (int t = 0; t < Td7Module::kTriggerCount; ++t) Offer(Td7Module::TriggerBlock(p, t));
        for (int n = 0; n < Td7Module::kNoteMapCount; ++n) Offer(Td7Module::NoteMapBlock(p, n));
        Main().Present().SetPatchPresent(p, true);
    }
    void LoadInstruments() {
        for (int i = 0; i < Td7Module::kInstrumentCount; ++i) Offer(Td7Module::InstrumentBlock(i));
        Main().Present().SetInstrumentsPresent(true);
    }

    // The user's clicks.
    static void ClickLine(QListWidget* list, int row) {
        list->scrollToItem(list->item(row));
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    void SelectPatch(int p) { ClickLine(Patch().lbPatch(), p); }
    void ClickPad(int tag) {
        editor::TDrumKit* kit = Patch().DrumKit();
        QTest::mouseClick(kit, Qt::LeftButton, {}, kit->PadCenter(tag));
    }
    // Steps a combo box to the item with the arrow keys, as a user does; each step is a
    // choice of its own.
    static void Choose(QComboBox* combo, int index) {
        ASSERT_TRUE(combo->isEnabled()) << combo->objectName().toStdString();
        combo->setFocus();
        for (int steps = combo->count(); steps > 0 && combo->currentIndex() != index; --steps)
            QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(combo->currentIndex(), index);
    }
    void ChooseTrigger(int t) { Choose(Patch().coTrigger(), t); }

    // What went out on the editor's output since the last call.
    std::vector<Bytes> TakeSent() {
        const auto all = editor.midi.SentTo(0);
        std::vector<Bytes> out;
        for (std::size_t k = m_seen; k < all.size(); ++k) out.push_back(all[k].bytes);
        m_seen = all.size();
        return out;
    }
    // A one-parameter data set: address a1..a4 and the value.
    static Bytes DataSet(std::uint8_t a2, std::uint8_t a3, std::uint8_t a4, std::uint8_t value) {
        Bytes m = {0xF0, 0x41, 0x10, 0x58, 0x12, 0x00, a2, a3, a4, value};
        int sum = 0;
        for (std::size_t k = 5; k < m.size(); ++k) sum += m[k];
        m.push_back(static_cast<std::uint8_t>((128 - sum % 128) & 0x7F));
        m.push_back(0xF7);
        return m;
    }
    std::vector<QString> Errors() {
        std::vector<QString> texts;
        for (const auto& box : editor.boxes.Shown())
            if (box.Kind == editor::TBoxKind::Error) texts.push_back(box.Text);
        return texts;
    }

    shelltest::Editor editor;

  private:
    std::size_t m_seen = 0;
};

}  // namespace patchtest
