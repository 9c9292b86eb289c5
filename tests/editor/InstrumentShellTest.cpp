#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include "controls/Colors.h"
#include "editor/instrument/InstrumentNameEdit.h"
#include "editor/instrument/InstrumentWindow.h"
#include "editor/shell/MainMenu.h"
#include "editor/patch/PatchEditor.h"
#include "editor/instrument/PatchLookupSwitch.h"
#include "editor/system/SystemWindow.h"
#include "midilink/DumpCollection.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"
#include "tests/editor/ShellHarness.h"

namespace {

using editor::TCommand;
using simulator::Td7Module;

// The two windows as the editor makes them: opened from the menu and the sound buttons,
// over the records the module sent, with the lookup switch kept in the settings.
class InstrumentShell : public ::testing::Test {
  protected:
    InstrumentShell() : editor(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        editor.WriteSettings(
            "[General]\nMidiInDev=1\nMidiOutDev=2\nBackground=0\n[InstEdit]\nPatchLookup=0\n");
        editor.Start({}, 0);
        editor.wait->module.LoadFactory();
    }

    editor::TfmTamboro& Main() { return editor.Main(); }
    QAction* Action(TCommand command) { return Main().Menu().Action(command); }

    // Runs `inspect` once the modal window that `open` shows is up, then closes it.
    template <class Inspect>
    void WhileOpen(QDialog& window, const std::function<void()>& open, Inspect&& inspect) {
        bool seen = false;
        QTimer::singleShot(0, &window, [&] {
            seen = window.isVisible();
            inspect();
            window.done(QDialog::Accepted);
        });
        open();
        EXPECT_TRUE(seen);
    }

    shelltest::Editor editor;
};

TEST_F(InstrumentShell, EditInstrumentsOpensOnReceivedInstrumentsAndKeepsTheLookupSetting) {
    editor::TfmInstrument& window = *editor.windows->fmInstrument;
    EXPECT_FALSE(Action(TCommand::InstEdit)->isEnabled());
    Action(TCommand::InstRequest)->trigger();
    ASSERT_TRUE(Action(TCommand::InstEdit)->isEnabled());

    const std::string first = td7::InstrumentNameText(Main().Dumps().InstrumentDump, 0);
    WhileOpen(
        window, [&] { Action(TCommand::InstEdit)->trigger(); },
        [&] {
            EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::black));
            EXPECT_EQ(window.edName()->text().toStdString(), first.substr(0, 5));
            EXPECT_FALSE(window.LookupPatches());  // as the settings said
            QCheckBox* box = window.Lookup().cbLookupPatches();
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        });
    EXPECT_TRUE(Main().PatchLookup());

    // The sound buttons' way in: the instrument they name becomes current.
    WhileOpen(
        window, [&] { editor.windows->PatchEditor->OnShowInstrument(200); },
        [&] { EXPECT_EQ(Main().Dumps().InstrumentDump.Index(), 200); });
    EXPECT_EQ(window.Instrument(), 200);

    editor.boxes.SetNextAnswer(editor::TAnswer::No);  // the received instruments stay unsaved
    EXPECT_TRUE(Main().close());
    EXPECT_NE(editor.ReadSettings().find("PatchLookup=1"), std::string::npos);
}

TEST_F(InstrumentShell, SystemSetupOpensOnTheReceivedSystemBlock) {
    editor::TfmSystem& window = *editor.windows->fmSystem;
    EXPECT_FALSE(Action(TCommand::SysEdit)->isEnabled());
    Action(TCommand::SysRequest)->trigger();
    ASSERT_TRUE(Action(TCommand::SysEdit)->isEnabled());
    const int channel = editor.wait->module.Data(Td7Module::SystemBlock())[0];
    WhileOpen(
        window, [&] { Action(TCommand::SysEdit)->trigger(); },
        [&] {
            EXPECT_EQ(window.Field("TrigTxCh")->text(), QString::number(channel + 1));
            EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::black));
        });
}

// The module sends an instrument while the window shows it (a dump started on the module,
// or a transfer): the name fields follow the record, except where the user is typing.
TEST_F(InstrumentShell, OpenWindowFollowsAnInstrumentTheModuleSends) {
    editor::TfmInstrument& window = *editor.windows->fmInstrument;
    Action(TCommand::InstRequest)->trigger();
    Td7Module& module = editor.wait->module;
    auto send = [&](const std::string& name, char type) {
        auto data = module.Data(Td7Module::InstrumentBlock(200));
        std::copy(name.begin(), name.end(), data.begin());
        data[5] = static_cast<std::uint8_t>(type);
        editor.midi.Inject(0, module.DataSetOf(Td7Module::InstrumentBlock(200)));
    };
    WhileOpen(
        window, [&] { editor.windows->PatchEditor->OnShowInstrument(200); },
        [&] {
            send("Crash", 'C');
            ASSERT_TRUE(QTest::qWaitFor([&] { return window.edName()->text() == "Crash"; }));
            EXPECT_EQ(window.edName2()->text(), "C");

            // Another instrument leaves the fields alone.
            auto other = module.Data(Td7Module::InstrumentBlock(201));
            other[0] = 'Z';
            editor.midi.Inject(0, module.DataSetOf(Td7Module::InstrumentBlock(201)));

            // Half-typed text stays; the field the user did not touch follows.
            window.edName()->setFocus();
            window.edName()->selectAll();
            QTest::keyClicks(window.edName(), "Ri");
            send("Splsh", 'S');
            ASSERT_TRUE(QTest::qWaitFor([&] { return window.edName2()->text() == "S"; }));
            EXPECT_EQ(window.edName()->text(), "Ri");
            EXPECT_EQ(td7::InstrumentNameText(Main().Dumps().InstrumentDump, 201).substr(0, 1),
                      "Z");
        });
    // Closing stores what was typed over what the module sent.
    EXPECT_EQ(td7::InstrumentNameText(Main().Dumps().InstrumentDump, 200), "Ri   .S");
}

}  // namespace
