// The devices of the settings found again after their numbers moved, the device window's
// lists read again when it opens, and the warning when the ports form a loop.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <QTimer>

#include "editor/devices/DevicesWindow.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/Settings.h"
#include "editor/shell/StatusLine.h"
#include "midilink/MidiCompLink.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "td7/session/LoopDetector.h"
#include "td7/session/PortSetup.h"
#include "td7/map/Td7Map.h"
#include "tests/editor/ShellHarness.h"

namespace {

using editor::TBoxKind;
using shelltest::Editor;

std::string TestName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

// The fake lists inputs "In A", "In B" and outputs "Tamboro" (mapper), "Out A", "Out B".
TEST(DesktopDevices, TheRememberedNamesOpenTheDevicesWhoseNumbersMoved) {
    Editor editor(TestName());
    // Last time "In B" was input 0 and "Out A" output 1; now the numbers point elsewhere.
    editor.WriteSettings(
        "[General]\nMidiInDev=1\nMidiInName=In B\nMidiOutDev=3\nMidiOutName=Out A\n");
    editor.Start();

    EXPECT_TRUE(editor.boxes.Shown().empty());
    EXPECT_FALSE(editor.midi.InputOpen(0));
    EXPECT_TRUE(editor.midi.InputOpen(1));
    EXPECT_TRUE(editor.midi.OutputOpen(0));
    EXPECT_FALSE(editor.midi.OutputOpen(1));

    // The numbers of today go back with the names.
    editor.Main().close();
    const editor::TSettings written = editor::LoadSettings(editor.settingsFile);
    EXPECT_EQ(written.MidiInDev, 2);
    EXPECT_EQ(written.MidiInName, "In B");
    EXPECT_EQ(written.MidiOutDev, 2);
    EXPECT_EQ(written.MidiOutName, "Out A");
}

// The interface pulled out and plugged in again while the editor runs.
TEST(DesktopDevices, AVanishedDeviceIsToldAndReopenedWhenItComesBack) {
    Editor editor(TestName());
    editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
    editor.Start();
    auto& main = editor.Main();
    ASSERT_TRUE(main.PortTimer()->isActive());
    main.PortTimer()->setInterval(1);
    const auto errors = [&] {
        std::vector<QString> texts;
        for (const auto& box : editor.boxes.Shown())
            if (box.Kind == TBoxKind::Error) texts.push_back(box.Text);
        editor.boxes.ClearShown();
        return texts;
    };
    ASSERT_TRUE(errors().empty());

    editor.midi.Unplug("In A");
    editor.midi.Unplug("Out A");
    const QString gone = "The MIDI devices \"In A\" and \"Out A\" are gone.";
    EXPECT_TRUE(QTest::qWaitFor([&] { return main.Status().Text().startsWith(gone); }, 5000))
        << main.Status().Text().toStdString();
    EXPECT_EQ(main.Status().Text(), gone + " Tamboro opens them again when they come back.");
    EXPECT_FALSE(editor.midi.InputOpen(0));
    EXPECT_FALSE(editor.midi.OutputOpen(0));
    // A request says why nothing answers, with the bytes it sent.
    main.Menu().Action(editor::TCommand::SysRequest)->trigger();
    EXPECT_EQ(errors(), std::vector<QString>{"The unit didn't respond to dump request "
                                             "F0 41 10 58 11 03 00 00 00 00 00 00 17 66 F7. " +
                                             gone});
    // The status timer leaves the news in place; the choice stays for the next start.
    main.StatusTimer()->setInterval(1);
    QTest::qWait(20);
    EXPECT_TRUE(main.Status().Text().startsWith(gone));
    main.StatusTimer()->setInterval(editor::TfmTamboro::kStatusTimerInterval);
    EXPECT_EQ(main.CurrentSettings().MidiInDev, 1);
    EXPECT_EQ(main.CurrentSettings().MidiOutName, "Out A");

    editor.midi.Plug("In A");
    editor.midi.Plug("Out A");
    const QString back = "The MIDI devices \"In A\" and \"Out A\" are back.";
    EXPECT_TRUE(QTest::qWaitFor([&] { return main.Status().Text() == back; }, 5000))
        << main.Status().Text().toStdString();
    EXPECT_TRUE(editor.midi.InputOpen(0));
    EXPECT_TRUE(editor.midi.OutputOpen(0));
    main.Menu().Action(editor::TCommand::SysRequest)->trigger();
    EXPECT_TRUE(errors().empty());
    EXPECT_TRUE(main.Present().SystemPresent());
}

TEST(DesktopDevices, NeitherNumberNorNameGivesTheErrorBoxes) {
    Editor editor(TestName());
    editor.WriteSettings(
        "[General]\nMidiInDev=4\nMidiInName=Gone In\nMidiOutDev=7\nMidiOutName=Gone Out\n");
    editor.Start();

    ASSERT_EQ(editor.boxes.Shown().size(), 2u);
    EXPECT_EQ(editor.boxes.Shown()[0].Kind, TBoxKind::Error);
    EXPECT_EQ(editor.boxes.Shown()[0].Text, td7::kInputNotAvailable);
    EXPECT_EQ(editor.boxes.Shown()[1].Text, td7::kOutputNotAvailable);
    EXPECT_EQ(editor.Main().MidiInput1().Handle(), nullptr);
    EXPECT_EQ(editor.Main().MidiOutput1().Handle(), nullptr);
    editor.Main().close();
    const editor::TSettings written = editor::LoadSettings(editor.settingsFile);
    EXPECT_EQ(written.MidiInDev, 0);
    EXPECT_EQ(written.MidiInName, "");
    EXPECT_EQ(written.MidiOutName, "");
}

TEST(DesktopDevices, TheDeviceWindowReadsTheListsAgainEachTimeItOpens) {
    Editor editor(TestName());
    editor.WriteSettings("[General]\nMidiInDev=2\nMidiOutDev=3\n");
    editor.Start();
    auto& main = editor.Main();
    auto& devices = *editor.windows->fmDevices;
    EXPECT_EQ(Items(devices.coInput()), (QStringList{"None", "In A", "In B"}));

    // Plugged in after the start: offered at once, and the open ports stay chosen.
    editor.midi.AddInput("USB Pads");
    editor.midi.AddOutput("USB Pads");
    QStringList inputs, outputs;
    QString presetIn, presetOut;
    QTimer::singleShot(0, &devices, [&] {
        inputs = Items(devices.coInput());
        outputs = Items(devices.coOutput());
        presetIn = devices.coInput()->currentText();
        presetOut = devices.coOutput()->currentText();
        devices.coInput()->setCurrentIndex(3);
        devices.coOutput()->setCurrentIndex(4);
        devices.accept();
    });
    main.Menu().Action(editor::TCommand::MidiDevices)->trigger();
    EXPECT_EQ(inputs, (QStringList{"None", "In A", "In B", "USB Pads"}));
    EXPECT_EQ(outputs, (QStringList{"None", "Tamboro", "Out A", "Out B", "USB Pads"}));
    EXPECT_EQ(presetIn, "In B");
    EXPECT_EQ(presetOut, "Out B");
    EXPECT_TRUE(editor.midi.InputOpen(2));
    EXPECT_TRUE(editor.midi.OutputOpen(2));

    main.close();
    const editor::TSettings written = editor::LoadSettings(editor.settingsFile);
    EXPECT_EQ(written.MidiInDev, 3);
    EXPECT_EQ(written.MidiInName, "USB Pads");
    EXPECT_EQ(written.MidiOutDev, 4);
    EXPECT_EQ(written.MidiOutName, "USB Pads");
}

class DesktopLoop : public ::testing::Test {
  protected:
    DesktopLoop() : editor(TestName()) {
        editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
        editor.Start();
        // The test's clock: the echo's delay is the test's choice, not the machine's load.
        editor.Main().LoopWatch().SetClock([this] { return now; });
        // Counts what the link reports, so an echo can be waited for.
        auto& link = editor.Main().MidiCompLink1();
        link.OnMidiInput = [this, report = link.OnMidiInput](midilink::TMidiCompLink* sender,
                                                             bool resolved) {
            ++inputs;
            report(sender, resolved);
        };
    }

    // The editor sends a data request for the system block and takes back what its
    // output sent, as a through port would.
    std::vector<std::uint8_t> SendRequest() {
        const std::size_t before = editor.midi.SentTo(0).size();
        const std::string request = td7::RequestCommand(td7::Block::System, 0);
        editor.Main().MidiCompLink1().SendCommand(request, 0, midilink::ctRoland);
        const auto sent = editor.midi.SentTo(0);
        EXPECT_EQ(sent.size(), before + 1);
        return sent.back().bytes;
    }
    void Echo(const std::vector<std::uint8_t>& bytes) {
        const std::uint32_t before = inputs;
        editor.midi.Inject(0, bytes);
        EXPECT_TRUE(QTest::qWaitFor([&] { return inputs > before; }, 5000));
    }

    Editor editor;
    td7::TLoopDetector::Clock::time_point now{};
    std::uint32_t inputs = 0;
};

TEST_F(DesktopLoop, AnOwnMessageComingBackIsToldOnceInTheStatusLine) {
    auto& main = editor.Main();

    const auto request = SendRequest();
    now += std::chrono::milliseconds(5);
    Echo(request);
    EXPECT_EQ(main.Status().Text(), td7::kPortLoopText);

    // Once: the next echo leaves the status line to others.
    main.Status().SetText(QStringLiteral("2 dumps recieved..."));
    Echo(SendRequest());
    EXPECT_EQ(main.Status().Text(), "2 dumps recieved...");
}

TEST_F(DesktopLoop, TheModulesAnswersAndLateRepeatsAreNoLoop) {
    auto& main = editor.Main();

    const auto request = SendRequest();
    // What the module answers: a data set of the system block.
    const auto answers = editor.wait->module.Receive(request.data(), request.size());
    ASSERT_FALSE(answers.empty());
    for (const auto& answer : answers) Echo(answer);
    // The request itself, but long after it was sent.
    now += td7::TLoopDetector::kWindow + std::chrono::seconds(1);
    Echo(request);
    EXPECT_NE(main.Status().Text(), td7::kPortLoopText);
    EXPECT_FALSE(main.LoopWatch().LoopSeen());
}

}  // namespace
