// A user's session from start to finish, through the system's MIDI service: td7sim with
// random memory and its own device ID on the test run's private JACK server, and the
// editor driven only through its windows, menus and controls.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <tuple>

#include "controls/MidiCheckBox.h"
#include "controls/MidiComboBox.h"
#include "controls/MidiKnob.h"
#include "controls/MidiUpDown.h"
#include "editor/devices/DevicesWindow.h"
#include "editor/shell/StatusLine.h"
#include "editor/instrument/InstrumentList.h"
#include "editor/instrument/InstrumentNameEdit.h"
#include "editor/instrument/InstrumentWindow.h"
#include "editor/shell/MainWindow.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "editor/patch/PatchName.h"
#include "editor/system/SystemWindow.h"
#include "td7/map/PresentFlags.h"
#include "td7/files/SetupFile.h"
#include "td7/transfers/Transfers.h"
#include "tests/acceptance/EditorSession.h"
#include "tests/acceptance/MemoryImage.h"
#include "tests/acceptance/UserActions.h"
#include "tests/support/Td7SimProcess.h"

namespace acceptance {
namespace {

using td7::Block;
using editor::TCommand;
using controls::TMidiCheckBox;
using controls::TMidiComboBox;
using controls::TMidiKnob;
using controls::TMidiUpDown;
using testsupport::TTd7SimProcess;

// Where the edits go: patch slot 3, its trigger 5 and the note-map entry of note 45.
constexpr int kEditedPatch = 2;
constexpr int kEditedTrigger = 4;
constexpr int kEditedNote = 10;
// Where the edited patch is moved to (menu entry 20).
constexpr int kMoveTarget = 19;

// Record byte positions of the module's parameters (header of 9 bytes included).
constexpr int kNameBytes = 11;        // common block: 6 name characters
constexpr int kPedalGateTime = 53;    // common block, 1..40
constexpr int kPedalVeloCurve = 54;   // common block, 8 curves
constexpr int kTriggerMaskTime = 16;  // trigger, 0..31
constexpr int kTriggerChoke = 18;     // trigger, 0/1
constexpr int kLayerValue = 10;       // note map, shown 1..8, stored 0..7
constexpr int kEditedInstrument = 300;
constexpr int kInstrumentName = 9;  // instrument: 5 name characters
constexpr int kInstrumentPolyphony = 17;
constexpr int kInstrumentLevel = 30;   // 0..15
constexpr int kSystemTrigTxCh = 9;     // shown 1..16, stored 0..15
constexpr int kSystemInstLevel = 16;   // 0..15
constexpr int kSystemFootSwMode = 18;  // 3 modes
constexpr int kSystemRxProgChange = 21;

constexpr int kSimDeviceIdField = 5;  // as the device window shows it: the ID + 1

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class UserSession : public testing::Test {
  protected:
    static void SetUpTestSuite() { ::setenv("TAMBORO_MIDI_API", "jack", 1); }

    UserSession() {
        dir = fs::temp_directory_path() / ("tamboro-acceptance-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~UserSession() override { fs::remove_all(dir); }

    // Options > Midi Devices: the simulator's ports picked from the lists, its device ID
    // typed into the field, OK clicked.
    void ChooseDevices(EditorSession& editor, const TTd7SimProcess& sim) {
        editor::TfmDevices& devices = *editor.windows->fmDevices;
        bool found = false;
        QTimer::singleShot(0, &devices, [&] {
            const int in = devices.coInput()->findText(QString::fromStdString(sim.OutputName()));
            const int out = devices.coOutput()->findText(QString::fromStdString(sim.InputName()));
            found = in >= 0 && out >= 0;
            devices.coInput()->setCurrentIndex(in);
            devices.coOutput()->setCurrentIndex(out);
            QSpinBox* id = devices.UpDown1();
            Focus(id);
            QTest::keyClick(id, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(id, QString::number(kSimDeviceIdField));
            auto* buttons = devices.findChild<QDialogButtonBox*>();
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        ASSERT_TRUE(editor.Click(TCommand::MidiDevices));
        ASSERT_TRUE(found) << "the simulator's ports are not in the device lists";
    }

    // JACK takes a new connection into its graph at a period boundary, and what is sent in
    // that period can be lost: the user asks for the system block until the module answers,
    // as one does when a cable has just been plugged in.
    void RequestSystemUntilAnswered(EditorSession& editor) {
        for (int attempt = 0; attempt < 10 && !editor.Main().Present().SystemPresent(); ++attempt)
            ASSERT_TRUE(editor.Click(TCommand::SysRequest));
        ASSERT_TRUE(editor.Main().Present().SystemPresent()) << "the module does not answer";
        editor.TakeErrors();
    }

    // A knob turned with the keys: where its value goes, and what it shows.
    static void TurnKnob(TMidiKnob* knob, int steps, Block block, int record, int position,
                         int offset, ExpectedEdits& edits) {
        ASSERT_TRUE(knob->isVisible()) << knob->objectName().toStdString();
        TurnWithKeys(knob, steps);
        ASSERT_EQ(knob->Value(), knob->Min() + steps);
        edits.Set(block, record, position, knob->Value() + offset);
    }

    // Knobs, combo boxes, a check box and the name on the main window, on patch slot 3.
    void EditOnTheMainWindow(EditorSession& editor, ExpectedEdits& edits) {
        editor::TPatchEditor& patch = *editor.windows->PatchEditor;
        const int p = kEditedPatch;
        ClickLine(patch.lbPatch(), p);
        ASSERT_EQ(editor.Main().CurrentPatch(), p);
        ASSERT_TRUE(editor.Main().PatchEditing());

        // A trigger picked in the selector: its mask time dragged, its choke ticked.
        QComboBox* selector = patch.coTrigger();
        StepCombo(selector, kEditedTrigger);
        ASSERT_EQ(selector->currentIndex(), kEditedTrigger);
        const int t = td7::TriggerRecord(p, kEditedTrigger);
        auto* mask = patch.Control<TMidiKnob>("txMaskTime");
        ASSERT_TRUE(mask->isVisible());
        DragKnob(mask, 3);
        EXPECT_EQ(mask->Value(), mask->Min() + 3);
        edits.Set(Block::Trigger, t, kTriggerMaskTime, mask->Value());

        // A value that is neither on nor off shows as partly checked; a click turns it on.
        auto* choke = patch.Control<TMidiCheckBox>("txChoke");
        const Qt::CheckState choked = choke->checkState();
        ClickCheck(choke);
        ASSERT_NE(choke->checkState(), choked);
        edits.Set(Block::Trigger, t, kTriggerChoke, choke->checkState() == Qt::Checked ? 1 : 0);

        // The hi-hat pedal (the selector's last entry): gate time by keys, curve by combo.
        ASSERT_TRUE(Focus(selector));
        QTest::keyClick(selector, Qt::Key_End);
        ASSERT_EQ(selector->currentIndex(), td7::kHihatPedalEntry);
        TurnKnob(patch.Control<TMidiKnob>("pxGateTime"), 2, Block::Prog, p, kPedalGateTime, 0,
                 edits);
        auto* curve = patch.Control<TMidiComboBox>("pxVeloCurve");
        StepCombo(curve, 3);
        ASSERT_EQ(curve->currentIndex(), 3);
        edits.Set(Block::Prog, p, kPedalVeloCurve, 3);

        // A note-map entry picked in its list: its layer value by keys.
        ClickLine(patch.lbNotemap(), kEditedNote);
        TurnKnob(patch.Control<TMidiKnob>("LayerValue"), 1, Block::Notemap,
                 td7::NotemapRecord(p, kEditedNote), kLayerValue, -1, edits);

        // The name typed in.
        const QString name = "Accept";
        TypeInto(patch.edName(), name);
        for (int k = 0; k < name.size(); ++k)
            edits.Set(Block::Prog, p, kNameBytes + k, name[k].toLatin1());
    }

    // Runs `actions` inside the modal window that the menu command opens, then closes it
    // with its Close button.
    void InModalWindow(EditorSession& editor, TCommand command, editor::TSetupDialog& window,
                       const std::function<void()>& actions) {
        bool ran = false;
        QTimer::singleShot(0, &window, [&] {
            ran = window.isVisible();
            actions();
            QTest::mouseClick(window.CloseButton(), Qt::LeftButton);
        });
        ASSERT_TRUE(editor.Click(command));
        ASSERT_TRUE(ran);
        ASSERT_FALSE(window.isVisible());
    }

    // An instrument picked in the list: its level by keys, its polyphony by combo, its name
    // typed in.
    void EditOnTheInstrumentWindow(EditorSession& editor, ExpectedEdits& edits) {
        editor::TfmInstrument& window = *editor.windows->fmInstrument;
        const int i = kEditedInstrument;
        InModalWindow(editor, TCommand::InstEdit, window, [&] {
            editor::TInstrumentList* list = window.lbInst();
            const QModelIndex line = list->model()->index(i, 0);
            list->scrollTo(line);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(line).center());
            EXPECT_EQ(window.Instrument(), i);
            auto* level = dynamic_cast<TMidiKnob*>(window.Control("Level"));
            TurnKnob(level, 5, Block::Instrument, i, kInstrumentLevel, 0, edits);
            auto* polyphony = dynamic_cast<TMidiComboBox*>(window.Control("Polyphony"));
            StepCombo(polyphony, 1);
            EXPECT_EQ(polyphony->currentIndex(), 1);
            edits.Set(Block::Instrument, i, kInstrumentPolyphony, 1);
            const QString name = "Kick2";
            TypeInto(window.edName(), name);
            for (int k = 0; k < name.size(); ++k)
                edits.Set(Block::Instrument, i, kInstrumentName + k, name[k].toLatin1());
        });
    }

    // The system window: an up-down stepped, a knob turned, a combo box picked, a box
    // ticked.
    void EditOnTheSystemWindow(EditorSession& editor, ExpectedEdits& edits) {
        editor::TfmSystem& window = *editor.windows->fmSystem;
        InModalWindow(editor, TCommand::SysEdit, window, [&] {
            auto* channel = dynamic_cast<TMidiUpDown*>(window.Control("TrigTxCh"));
            const int before = channel->Position();
            ClickUpDown(channel);
            EXPECT_NE(channel->Position(), before);
            EXPECT_EQ(window.Field("TrigTxCh")->text(), QString::number(channel->Position()));
            edits.Set(Block::System, 0, kSystemTrigTxCh, channel->Position() - 1);
            TurnKnob(dynamic_cast<TMidiKnob*>(window.Control("InstLevel")), 4, Block::System, 0,
                     kSystemInstLevel, 0, edits);
            auto* footSwitch = dynamic_cast<TMidiComboBox*>(window.Control("FootSwMode"));
            StepCombo(footSwitch, 2);
            EXPECT_EQ(footSwitch->currentIndex(), 2);
            edits.Set(Block::System, 0, kSystemFootSwMode, 2);
            auto* receive = dynamic_cast<TMidiCheckBox*>(window.Control("RxProgChange"));
            const Qt::CheckState was = receive->checkState();
            ClickCheck(receive);
            EXPECT_NE(receive->checkState(), was);
            edits.Set(Block::System, 0, kSystemRxProgChange,
                      receive->checkState() == Qt::Checked ? 1 : 0);
        });
    }

    fs::path dir;
};

TEST_F(UserSession, FromTheModuleThroughTheWindowsToTheSetupFileAndBack) {
    TTd7SimProcess sim(
        "accept-" + std::to_string(::getpid()),
        {"--device-id", std::to_string(kSimDeviceIdField), "--content", "random", "--seed", "1234"},
        dir / "memory.syx");
    ASSERT_TRUE(sim.Ready());
    const fs::path setupFile = dir / "session.td7";
    std::vector<std::uint8_t> saved;
    {
        EditorSession editor(dir);
        ASSERT_TRUE(editor.shown);

        SCOPED_TRACE("choosing the simulator's ports and device ID");
        ChooseDevices(editor, sim);
        RequestSystemUntilAnswered(editor);

        SCOPED_TRACE("requesting everything");
        editor.boxes.SetNextAnswer(editor::TAnswer::Yes);  // overwrite the current patches
        ASSERT_TRUE(editor.Click(TCommand::RequestAll));
        ASSERT_TRUE(editor.Click(TCommand::InstRequest));
        ASSERT_TRUE(editor.Click(TCommand::SysRequest));
        ASSERT_EQ(editor.TakeErrors(), std::vector<QString>{});
        for (int p = 0; p < td7::kPatchCount; ++p)
            EXPECT_TRUE(editor.Main().Present().PatchPresent(p));
        EXPECT_TRUE(editor.Main().Present().InstrumentsPresent());
        const auto memory = sim.Memory();
        ASSERT_EQ(memory.size(), 67330u);
        ASSERT_EQ(MirrorImage(editor.Dumps()), memory) << "the mirror differs from the module";

        SCOPED_TRACE("editing through the controls");
        ExpectedEdits edits;
        ASSERT_NO_FATAL_FAILURE(EditOnTheMainWindow(editor, edits));
        ASSERT_NO_FATAL_FAILURE(EditOnTheInstrumentWindow(editor, edits));
        ASSERT_NO_FATAL_FAILURE(EditOnTheSystemWindow(editor, edits));
        ASSERT_EQ(editor.TakeErrors(), std::vector<QString>{});
        EXPECT_TRUE(editor.Main().windowTitle().contains('*'));
        const auto expected = edits.AppliedTo(memory);
        const auto edited = sim.MemoryOnceEqual(expected, std::chrono::seconds(5));
        ASSERT_EQ(edited, expected) << "the module changed elsewhere than at the edited bytes:"
                                    << Mismatches(memory, expected, edited);
        ASSERT_EQ(MirrorImage(editor.Dumps()), edited);

        SCOPED_TRACE("moving the patch and transmitting it");
        ASSERT_TRUE(editor.Click(TCommand::PatchMoveTo, kMoveTarget + 1));
        ASSERT_EQ(editor.Main().CurrentPatch(), kMoveTarget);
        ASSERT_TRUE(editor.Click(TCommand::TransmitCurrent));
        ASSERT_EQ(editor.TakeErrors(), std::vector<QString>{});
        const auto mirror = MirrorImage(editor.Dumps());
        const int target = ImageOffset(Block::Prog, kMoveTarget);
        const int source = ImageOffset(Block::Prog, kEditedPatch);
        const int length = td7::PatchBytes();
        // The module holds the mirror's new slot, and nothing else changed.
        auto expectedMove = edited;
        std::copy(mirror.begin() + target, mirror.begin() + target + length,
                  expectedMove.begin() + target);
        const auto moved = sim.MemoryOnceEqual(expectedMove, std::chrono::seconds(5));
        EXPECT_EQ(moved, expectedMove);
        // That slot is the edited patch: its records' data as they were at slot 3.
        for (auto [block, count, first] : {std::tuple{Block::Prog, 1, kEditedPatch},
                                           std::tuple{Block::Trigger, td7::kTriggersPerPatch,
                                                      td7::TriggerRecord(kEditedPatch, 0)},
                                           std::tuple{Block::Notemap, td7::kNotesPerPatch,
                                                      td7::NotemapRecord(kEditedPatch, 0)}}) {
            const int size = td7::InfoOf(block).Size;
            for (int r = 0; r < count; ++r) {
                const int from = ImageOffset(block, first + r);
                const int to = from - source + target;
                EXPECT_TRUE(std::equal(edited.begin() + from + td7::kHeaderSize,
                                       edited.begin() + from + size - 2,
                                       moved.begin() + to + td7::kHeaderSize))
                    << "record " << r << " of the moved patch";
            }
        }

        SCOPED_TRACE("saving the setup and quitting");
        editor.windows->Files->Dialogs().SetNextFile(QString::fromStdString(setupFile.string()));
        ASSERT_TRUE(editor.Click(TCommand::SaveSetup));
        ASSERT_EQ(editor.TakeErrors(), std::vector<QString>{});
        EXPECT_FALSE(editor.Main().windowTitle().contains('*'))
            << editor.Main().windowTitle().toStdString();
        saved = MirrorImage(editor.Dumps());
        ASSERT_TRUE(editor.Click(TCommand::Exit));
        EXPECT_FALSE(editor.Main().isVisible());
        EXPECT_TRUE(editor.boxes.Shown().empty()) << "a saved setup asks nothing on closing";
    }

    SCOPED_TRACE("starting again");
    EditorSession editor(dir);
    ASSERT_TRUE(editor.shown);
    EXPECT_EQ(editor.TakeErrors(), std::vector<QString>{});
    EXPECT_EQ(editor.Main().SetupFileName(), setupFile.string());
    EXPECT_TRUE(editor.Main().windowTitle().contains("session.td7"));
    EXPECT_FALSE(editor.Main().windowTitle().contains('*'))
        << editor.Main().windowTitle().toStdString();
    EXPECT_EQ(MirrorImage(editor.Dumps()), saved);
    EXPECT_EQ(td7::BuildSetupImage(editor.Dumps(), editor.Main().Present()), ReadFile(setupFile));
    EXPECT_EQ(ReadFile(setupFile).size(), 67374u);

    SCOPED_TRACE("requesting from a module that is gone");
    ASSERT_EQ(sim.Stop(), 0);
    const int current = editor.Main().CurrentPatch();
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);  // overwrite the current patch
    ASSERT_TRUE(editor.Click(TCommand::RequestCurrent));
    // Its JACK ports went with it: the time-out says so, after the bytes it sent.
    const std::string gone = "The MIDI devices \"" + sim.OutputName() + "\" and \"" +
                             sim.InputName() + "\" are gone.";
    EXPECT_EQ(editor.TakeErrors(), std::vector<QString>{QString::fromStdString(
                                       "The unit didn't respond to dump request " +
                                       td7::RequestBytes({td7::Block::Prog, current}) + ". " +
                                       gone)});
    EXPECT_EQ(MirrorImage(editor.Dumps()), saved) << "a failed request changed the mirror";
    EXPECT_TRUE(editor.Main().Present().PatchPresent(current));
    EXPECT_FALSE(editor.Main().windowTitle().contains('*'));
    EXPECT_FALSE(editor.Main().Transfers().Busy());
    EXPECT_TRUE(editor.Main().isEnabled());
    EXPECT_TRUE(editor.Main().Status().Text().startsWith(QString::fromStdString(gone)));

    SCOPED_TRACE("the module's JACK client started again");
    TTd7SimProcess again(
        "accept-" + std::to_string(::getpid()),
        {"--device-id", std::to_string(kSimDeviceIdField), "--content", "random", "--seed", "1234"},
        dir / "memory2.syx");
    ASSERT_TRUE(again.Ready());
    const QString back = QString::fromStdString("The MIDI devices \"" + again.OutputName() +
                                                "\" and \"" + again.InputName() + "\" are back.");
    EXPECT_TRUE(QTest::qWaitFor([&] { return editor.Main().Status().Text() == back; }, 10000))
        << editor.Main().Status().Text().toStdString();
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    ASSERT_TRUE(editor.Click(TCommand::RequestCurrent));
    EXPECT_EQ(editor.TakeErrors(), std::vector<QString>{});
    EXPECT_EQ(MirrorImage(editor.Dumps()), saved) << "the same module answered the same";
    ASSERT_EQ(again.Stop(), 0);
}

}  // namespace
}  // namespace acceptance
