// Saves pictures of the main window with the patch editor for a person to look at:
//   patch_screenshots <folder>
// A patch and the instruments come from the virtual TD-7's factory content, offered to the
// editor's link as the module's answers would be.

#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QTest>

#include <chrono>
#include <cstdio>

#include "controls/Colors.h"
#include "editor/patch/DrumKit.h"
#include "editor/shell/MainMenu.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "midilink/MidiCompLink.h"
#include "td7/map/PresentFlags.h"
#include "tests/editor/ShellHarness.h"

namespace {

using simulator::Td7Module;

void Save(QWidget& widget, const QString& folder, const QString& name) {
    const QString file = folder + "/patch-" + name + ".png";
    if (!widget.grab().save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    std::printf("%s %dx%d\n", qPrintable(file), widget.width(), widget.height());
}

void Offer(shelltest::Editor& editor, const simulator::Block& block) {
    const auto bytes = editor.wait->module.DataSetOf(block);
    editor.Main().MidiCompLink1().OfferSysex(bytes.data(), static_cast<int>(bytes.size()));
}

void Click(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

}  // namespace

int main(int argc, char** argv) {
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(folder);
    shelltest::Editor editor("screenshots");
    editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
    editor.Start();
    editor::TfmTamboro& main = editor.Main();
    editor::TPatchEditor& patch = *editor.windows->PatchEditor;
    Save(main, folder, "start");

    Td7Module& module = editor.wait->module;
    module.LoadFactory();
    for (int p : {0, 1, 2, 4, 7}) {
        Offer(editor, Td7Module::CommonBlock(p));
        for (int t = 0; t < Td7Module::kTriggerCount; ++t)
            Offer(editor, Td7Module::TriggerBlock(p, t));
        for (int n = 0; n < Td7Module::kNoteMapCount; ++n)
            Offer(editor, Td7Module::NoteMapBlock(p, n));
        main.Present().SetPatchPresent(p, true);
    }
    for (int i = 0; i < Td7Module::kInstrumentCount; ++i)
        Offer(editor, Td7Module::InstrumentBlock(i));
    main.Present().SetInstrumentsPresent(true);

    Click(patch.lbPatch(), 1);
    QTest::mouseClick(patch.DrumKit(), Qt::LeftButton, {}, patch.DrumKit()->PadCenter(2));
    main.Menu().Action(editor::TCommand::BackgroundGray)->trigger();
    Save(main, folder, "gray");
    main.Menu().Action(editor::TCommand::BackgroundBlack)->trigger();
    Save(main, folder, "black");
    main.Menu().Action(editor::TCommand::BackgroundSilver)->trigger();
    Save(main, folder, "silver");

    main.Menu().Action(editor::TCommand::BackgroundGray)->trigger();
    QTest::mouseClick(patch.DrumKit(), Qt::LeftButton, {},
                      patch.DrumKit()->PadCenter(td7::kHihatPedalEntry));
    Save(main, folder, "pedal");

    // Follow Pad Hits: a roll on the snare just played, the kick and the crash still fading.
    main.SetFollowPadHits(true);
    module.SetCurrentPatch(1);
    editor::TDrumKit& kit = *patch.DrumKit();
    const auto start = editor::TDrumKit::Clock::now();
    kit.Now = [start] { return start; };
    const auto hit = [&](int t, int velocity) {
        const auto note = module.PadHit(t, velocity);
        editor.midi.Inject(0, {note.begin(), note.end()});
    };
    hit(0, 127);
    hit(16, 90);
    kit.Now = [start] { return start + std::chrono::milliseconds(200); };
    for (int v : {40, 62, 75, 88, 97, 110, 104, 127, 97}) hit(2, v);
    QTest::qWait(50);
    Save(main, folder, "hits");

    // An empty slot as it shows while no dialog fills it.
    patch.OnQueryEmpty = [](int) { return editor::TEmptySlotAnswer::Filled; };
    Click(patch.lbPatch(), 5);
    Save(main, folder, "empty");

    // The Edit menu open after a knob was turned and taken back once.
    Click(patch.lbPatch(), 1);
    main.SetFollowPadHits(false);
    QWidget* gate = patch.Controls().Widget("txGateTime");
    gate->setFocus();
    QTest::keyClick(gate, Qt::Key_Up);
    gate = patch.Controls().Widget("txMaskTime");
    gate->setFocus();
    QTest::keyClick(gate, Qt::Key_Up);
    Save(main, folder, "knob-focus");
    main.Menu().Action(editor::TCommand::Undo)->trigger();
    auto* edit = qobject_cast<QMenu*>(main.Menu().Action(editor::TCommand::Undo)->parent());
    edit->popup(main.mapToGlobal(QPoint(40, 20)));
    QTest::qWait(50);
    Save(*edit, folder, "edit-menu");
    edit->hide();
    return 0;
}
