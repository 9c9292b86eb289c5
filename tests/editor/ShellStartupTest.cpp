#include <gtest/gtest.h>

#include <cmath>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QSpinBox>
#include <QStatusTipEvent>
#include <QTimer>

#include "editor/devices/DevicesWindow.h"
#include "editor/shell/EditorWindows.h"
#include "editor/instrument/InstrumentNameEdit.h"
#include "editor/instrument/InstrumentWindow.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/Settings.h"
#include "editor/shell/StatusLine.h"
#include "editor/system/SystemWindow.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "td7/session/PortSetup.h"
#include "td7/map/Td7Collections.h"
#include "tests/editor/ShellHarness.h"

namespace {

using editor::TBoxKind;
using editor::TCommand;
namespace fs = std::filesystem;
using shelltest::Editor;
using Call = testsupport::FakeMidiService::Call;

std::string TestName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

std::vector<QString> ErrorTexts(const editor::MessageBoxes& boxes) {
    std::vector<QString> texts;
    for (const auto& box : boxes.Shown())
        if (box.Kind == TBoxKind::Error) texts.push_back(box.Text);
    return texts;
}

TEST(ShellStartup, OpensThePortsAndDeviceIdOfTheSettings) {
    for (const auto& [outSetting, mapperOpen, device0Open, device1Open] :
         std::vector<std::tuple<int, bool, bool, bool>>{
             {1, true, false, false}, {2, false, true, false}, {3, false, false, true}}) {
        Editor editor(TestName() + std::to_string(outSetting));
        editor.WriteSettings("[General]\nDevId=5\nMidiInDev=2\nMidiOutDev=" +
                             std::to_string(outSetting) + "\nBackground=0\n");
        editor.Start();

        EXPECT_TRUE(editor.boxes.Shown().empty());
        EXPECT_FALSE(editor.midi.InputOpen(0));
        EXPECT_TRUE(editor.midi.InputOpen(1)) << "MidiInDev 2 is input device 1";
        EXPECT_EQ(editor.midi.OutputOpen(-1), mapperOpen) << outSetting;
        EXPECT_EQ(editor.midi.OutputOpen(0), device0Open) << outSetting;
        EXPECT_EQ(editor.midi.OutputOpen(1), device1Open) << outSetting;
        EXPECT_EQ(midilink::GetDeviceId(0), 5);
        EXPECT_EQ(editor.Main().BackgroundColor(), QColor(Qt::black));
        EXPECT_FALSE(editor.about.isVisible()) << "the splash closes after the first showing";

        // The same numbers go back into the file.
        editor.Main().close();
        const editor::TSettings written = editor::LoadSettings(editor.settingsFile);
        EXPECT_EQ(written.MidiInDev, 2);
        EXPECT_EQ(written.MidiOutDev, outSetting);
        EXPECT_EQ(written.DevId, 5);
        EXPECT_EQ(written.Background, 0);
    }
}

TEST(ShellStartup, AMissingDeviceGivesItsErrorBoxAndStaysClosed) {
    Editor editor(TestName());
    editor.WriteSettings("[General]\nMidiInDev=3\nMidiOutDev=9\n");
    editor.Start();

    EXPECT_EQ(ErrorTexts(editor.boxes),
              (std::vector<QString>{
                  "The midi input device is not available, please choose another one",
                  "The midi output device is not available, please choose another one"}));
    for (const auto& box : editor.boxes.Shown()) EXPECT_EQ(box.Caption, "Tamboro Error...");
    EXPECT_EQ(editor.Main().MidiInput1().Handle(), nullptr);
    EXPECT_EQ(editor.Main().MidiOutput1().Handle(), nullptr);

    editor.Main().close();
    const std::string text = editor.ReadSettings();
    EXPECT_NE(text.find("MidiInDev=0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MidiOutDev=0\n"), std::string::npos) << text;
}

TEST(ShellStartup, AnInputThatDoesNotStartIsReportedAndClosedAgain) {
    Editor editor(TestName());
    editor.WriteSettings("[General]\nMidiInDev=1\n");
    editor.midi.FailNext(Call::InStart, midiports::result::kNotReady);
    editor.Start();
    EXPECT_EQ(ErrorTexts(editor.boxes),
              (std::vector<QString>{
                  "The midi input device is not available, please choose another one"}));
    EXPECT_FALSE(editor.midi.InputOpen(0));
    EXPECT_EQ(td7::InputSetting(editor.Main().MidiInput1()), 0);
}

TEST(ShellStartup, ADeviceThatWillNotOpenStaysClosedWithoutAMessage) {
    Editor editor(TestName());
    editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
    editor.midi.FailNext(Call::InOpen, midiports::result::kAllocated);
    editor.midi.FailNext(Call::OutOpen, midiports::result::kAllocated);
    editor.Start();
    EXPECT_TRUE(editor.boxes.Shown().empty());
    EXPECT_FALSE(editor.midi.InputOpen(0));
    EXPECT_FALSE(editor.midi.OutputOpen(0));
}

TEST(ShellStartup, CommandLineSetupAndLastSetup) {
    Editor editor(TestName());
    const auto last = editor.dir / "last.td7";
    const auto kit = editor.dir / "Kit.TD7";
    std::ofstream(last) << "x";
    std::ofstream(kit) << "x";
    editor.WriteSettings("[General]\nLastSetup=" + last.string() + "\n");

    struct Case {
        QStringList args;
        fs::path loaded;
        std::vector<QString> errors;
    };
    const std::vector<Case> cases = {
        {{}, last, {}},
        {{QString::fromStdString(kit.string())}, kit, {}},
        {{QStringLiteral("some.syx")}, last, {}},
        {{QStringLiteral("missing.td7")}, last, {QStringLiteral("File missing.td7 not found.")}},
    };
    for (const auto& c : cases) {
        editor.boxes.ClearShown();
        std::vector<std::string> loads;
        editor.Create(c.args);
        editor.Main().OnLoadSetup = [&](const std::string& file) {
            loads.push_back(file);
            // Loading marks collections changed; the start-up clears that again.
            editor.Main().Dumps().ProgDump.WriteByte(12, 1);
        };
        editor.Show();
        EXPECT_EQ(loads, std::vector<std::string>{c.loaded.string()})
            << c.args.join(' ').toStdString();
        EXPECT_EQ(ErrorTexts(editor.boxes), c.errors);
        EXPECT_EQ(editor.Main().windowTitle().toStdString(),
                  c.loaded.filename().string() + " - Tamboro V1.2");
        editor.windows.reset();
    }

    // A last setup that is gone is forgotten without a word; one that fails to load is
    // reported and leaves the editor without a setup name.
    editor.WriteSettings("[General]\nLastSetup=" + (editor.dir / "gone.td7").string() + "\n");
    editor.boxes.ClearShown();
    editor.Create();
    editor.Main().OnLoadSetup = [](const std::string&) { FAIL() << "nothing to load"; };
    editor.Show();
    EXPECT_TRUE(editor.boxes.Shown().empty());
    EXPECT_EQ(editor.Main().windowTitle(), "Untitled.td7 - Tamboro V1.2");
    editor.windows.reset();

    editor.WriteSettings("[General]\nLastSetup=" + last.string() + "\n");
    editor.Create();
    editor.Main().OnLoadSetup = [](const std::string&) { throw std::runtime_error("Bad file"); };
    editor.Show();
    EXPECT_EQ(ErrorTexts(editor.boxes), std::vector<QString>{"Bad file"});
    EXPECT_EQ(editor.Main().SetupFileName(), "");
    EXPECT_FALSE(editor.about.isVisible());
}

TEST(ShellCaption, ShowsTheChangeMarkWhileAnyCollectionIsModified) {
    Editor editor(TestName());
    editor.Start();
    auto& main = editor.Main();
    EXPECT_EQ(main.windowTitle(), "Untitled.td7 - Tamboro V1.2");
    EXPECT_EQ(main.centralWidget()->size(), QSize(587, 383));
    EXPECT_EQ(main.minimumSize(), main.maximumSize()) << "the window has a fixed size";

    main.Dumps().InstrumentDump.WriteByte(20, 3);
    EXPECT_EQ(main.windowTitle(), "Untitled.td7* - Tamboro V1.2");
    main.Dumps().InstrumentDump.SetModified(false);
    EXPECT_EQ(main.windowTitle(), "Untitled.td7 - Tamboro V1.2");

    main.SetSetupFileName((editor.dir / "Rock.td7").string());
    main.Dumps().NotemapDump.WriteByte(10, 1);
    EXPECT_EQ(main.windowTitle(), "Rock.td7* - Tamboro V1.2");
}

TEST(ShellClose, TheCloseQuestionsThreeAnswers) {
    Editor editor(TestName());
    editor.Start();
    auto& main = editor.Main();
    std::vector<std::string> saved;
    main.OnSaveSetup = [&](const std::string& file) { saved.push_back(file); };

    // Nothing changed: no question.
    EXPECT_TRUE(main.CloseQuery());
    EXPECT_TRUE(editor.boxes.Shown().empty());

    main.Dumps().ProgDump.WriteByte(11, 'A');
    editor.boxes.SetNextAnswer(editor::TAnswer::Cancel);
    EXPECT_FALSE(main.close());
    ASSERT_EQ(editor.boxes.Shown().size(), 1u);
    EXPECT_EQ(editor.boxes.Shown()[0].Kind, TBoxKind::ConfirmCancel);
    EXPECT_EQ(editor.boxes.Shown()[0].Caption, "Confirm...");
    EXPECT_EQ(editor.boxes.Shown()[0].Text,
              "The current setup has changed. Do you want to save it?");
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(fs::exists(editor.settingsFile)) << "settings are written only on closing";

    // Yes without a file name: the save dialog; cancelling it keeps the window open.
    int asked = 0;
    main.AskSetupSaveName = [&] {
        return ++asked == 1 ? std::string() : std::string("/tmp/new.td7");
    };
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    EXPECT_FALSE(main.close());
    EXPECT_TRUE(saved.empty());
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    EXPECT_TRUE(main.close());
    EXPECT_EQ(saved, std::vector<std::string>{"/tmp/new.td7"});
    EXPECT_EQ(editor::LoadSettings(editor.settingsFile).LastSetup, "/tmp/new.td7");

    // Yes with a file name saves to it; No closes without saving.
    main.show();
    main.Dumps().ProgDump.WriteByte(11, 'B');
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    EXPECT_TRUE(main.close());
    EXPECT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved.back(), "/tmp/new.td7");
    EXPECT_EQ(asked, 2) << "no dialog when the setup has a name";

    main.show();
    main.Dumps().ProgDump.WriteByte(11, 'C');
    editor.boxes.SetNextAnswer(editor::TAnswer::No);
    EXPECT_TRUE(main.close());
    EXPECT_EQ(saved.size(), 2u);

    // A save that fails is shown and keeps the window open.
    main.show();
    main.OnSaveSetup = [](const std::string&) { throw std::runtime_error("Disk full"); };
    editor.boxes.ClearShown();
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    EXPECT_FALSE(main.close());
    EXPECT_EQ(ErrorTexts(editor.boxes), std::vector<QString>{"Disk full"});
}

TEST(ShellDevices, TheDeviceWindowShowsAndAppliesTheChoice) {
    Editor editor(TestName());
    editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=1\n");
    editor.Start();
    auto& main = editor.Main();
    auto& devices = *editor.windows->fmDevices;

    QStringList inputs, outputs;
    for (int i = 0; i < devices.coInput()->count(); ++i) inputs << devices.coInput()->itemText(i);
    for (int i = 0; i < devices.coOutput()->count(); ++i)
        outputs << devices.coOutput()->itemText(i);
    EXPECT_EQ(inputs, (QStringList{"None", "In A", "In B"}));
    EXPECT_EQ(outputs, (QStringList{"None", "Tamboro", "Out A", "Out B"}));

    // Cancel changes nothing; the window was preset from the ports and the device ID.
    int presetIn = -1, presetOut = -1, presetId = -1;
    QTimer::singleShot(0, &devices, [&] {
        presetIn = devices.coInput()->currentIndex();
        presetOut = devices.coOutput()->currentIndex();
        presetId = devices.UpDown1()->value();
        devices.coInput()->setCurrentIndex(0);
        devices.reject();
    });
    main.Menu().Action(TCommand::MidiDevices)->trigger();
    EXPECT_EQ(presetIn, 1);
    EXPECT_EQ(presetOut, 1);
    EXPECT_EQ(presetId, 17);
    EXPECT_TRUE(editor.midi.InputOpen(0));

    QTimer::singleShot(0, &devices, [&] {
        devices.coInput()->setCurrentIndex(2);
        devices.coOutput()->setCurrentIndex(3);
        devices.UpDown1()->setValue(1);
        devices.accept();
    });
    main.Menu().Action(TCommand::MidiDevices)->trigger();
    EXPECT_FALSE(editor.midi.InputOpen(0));
    EXPECT_TRUE(editor.midi.InputOpen(1));
    EXPECT_FALSE(editor.midi.OutputOpen(-1));
    EXPECT_TRUE(editor.midi.OutputOpen(1));
    EXPECT_EQ(midilink::GetDeviceId(0), 0);

    // A port that refuses part-way: its own message, and the whole choice stays as it was
    // (input In B, output Out B, device ID 1), whether the input fails to start or the
    // chosen output does not open.
    editor.midi.SetErrorText(midiports::result::kNotReady, "The device is not ready.");
    for (const Call failing : {Call::InStart, Call::OutOpen}) {
        editor.boxes.ClearShown();
        editor.midi.FailNext(failing, midiports::result::kNotReady);
        QTimer::singleShot(0, &devices, [&] {
            devices.coInput()->setCurrentIndex(1);
            devices.coOutput()->setCurrentIndex(2);
            devices.UpDown1()->setValue(20);
            devices.accept();
        });
        main.Menu().Action(TCommand::MidiDevices)->trigger();
        const QString why = failing == Call::InStart
                                ? "The device is not ready."
                                : "The midi output device is not available, please choose "
                                  "another one";
        EXPECT_EQ(ErrorTexts(editor.boxes),
                  std::vector<QString>{why + "\nThe MIDI devices chosen before stay in use."});
        EXPECT_FALSE(editor.midi.InputOpen(0));
        EXPECT_TRUE(editor.midi.InputOpen(1));
        EXPECT_FALSE(editor.midi.OutputOpen(0));
        EXPECT_TRUE(editor.midi.OutputOpen(1));
        EXPECT_EQ(midilink::GetDeviceId(0), 0);
    }

    // "None" for both closes both, and the next close writes 0 for both.
    QTimer::singleShot(0, &devices, [&] {
        devices.coInput()->setCurrentIndex(0);
        devices.coOutput()->setCurrentIndex(0);
        devices.accept();
    });
    main.Menu().Action(TCommand::MidiDevices)->trigger();
    main.close();
    const editor::TSettings written = editor::LoadSettings(editor.settingsFile);
    EXPECT_EQ(written.MidiInDev, 0);
    EXPECT_EQ(written.MidiOutDev, 0);
    EXPECT_EQ(written.DevId, 0);
}

TEST(ShellDevices, TheLabelsReadWellOnEveryBackground) {
    shelltest::TestApplication();
    testsupport::FakeMidiService midi({"In A"}, {"Out A"}, "Tamboro");
    editor::TfmDevices devices(midi);
    // WCAG's contrast ratio of two colours; 7 is its level for small text read at ease.
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const auto contrast = [&](const QColor& a, const QColor& b) {
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    };
    for (const QColor background : {QColor(Qt::black), QColor(0x80, 0x80, 0x80),
                                    QApplication::palette().color(QPalette::Button)}) {
        devices.SetColor(background);
        const QList<QLabel*> labels = devices.findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 3);
        for (QLabel* label : labels) {
            // The colour the label's text is drawn on: its nearest parent that fills.
            QWidget* under = label->parentWidget();
            while (under != nullptr && !under->autoFillBackground()) under = under->parentWidget();
            ASSERT_NE(under, nullptr);
            EXPECT_GE(contrast(label->palette().color(QPalette::WindowText),
                               under->palette().color(QPalette::Window)),
                      7.0)
                << label->text().toStdString() << " on " << background.name().toStdString();
        }
    }
}

TEST(ShellDevices, ADeviceWithoutANameIsLeftOutButKeepsItsNumber) {
    shelltest::TestApplication();
    testsupport::FakeMidiService midi({"In A", "In B"}, {"Out A"}, "Tamboro");
    midi.FailNext(Call::InProductName, midiports::result::kBadDeviceId);
    editor::TfmDevices devices(midi);
    ASSERT_EQ(devices.coInput()->count(), 2);
    EXPECT_EQ(devices.coInput()->itemText(1), "In B");
    devices.SetInputChoice(2);
    EXPECT_EQ(devices.coInput()->currentIndex(), 1);
    EXPECT_EQ(devices.InputChoice(), 2) << "still input device 1";
    devices.SetInputChoice(1);
    EXPECT_EQ(devices.InputChoice(), 0) << "a device not listed selects None";
}

TEST(ShellStatus, TheInstrumentAndSystemWindowsHintsShowInTheStatusLine) {
    Editor editor(TestName());
    editor.Start();
    auto& status = editor.Main().Status();
    // As the mouse brings them: to the control, from where they travel up to its window.
    const auto hover = [](QWidget* control) {
        QStatusTipEvent hint(control->statusTip());
        QApplication::sendEvent(control, &hint);
    };
    hover(editor.windows->fmInstrument->edName());
    EXPECT_EQ(status.Text(), "Instrument Name");
    hover(editor.windows->fmInstrument->Control("Decay"));
    EXPECT_EQ(status.Text(), editor.windows->fmInstrument->Control("Decay")->statusTip());
    EXPECT_FALSE(status.Text().isEmpty());
    hover(editor.windows->fmSystem->Field("TrigTxCh"));
    EXPECT_EQ(status.Text(), editor.windows->fmSystem->Field("TrigTxCh")->statusTip());
    EXPECT_FALSE(status.Text().isEmpty());
}

TEST(ShellStatus, ReceivedDumpsAreCountedAndTheIndicatorsFlash) {
    Editor editor(TestName());
    editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n");
    editor.Start();
    auto& main = editor.Main();
    auto& status = main.Status();
    EXPECT_TRUE(main.StatusTimer()->isActive());
    EXPECT_FALSE(main.ActivityTimer()->isActive());

    // The hint of the control under the mouse.
    QStatusTipEvent hint(QStringLiteral("Hall Output Level"));
    QCoreApplication::sendEvent(main.ClientArea(), &hint);
    EXPECT_EQ(status.Text(), "Hall Output Level");

    midilink::SetDeviceId(0, 16);
    simulator::Td7Module module;
    module.LoadFactory();
    editor.midi.Inject(0, module.DataSetOf(simulator::Td7Module::CommonBlock(3)));
    editor.midi.Inject(0, module.DataSetOf(simulator::Td7Module::SystemBlock()));
    editor.midi.Inject(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7});
    ASSERT_TRUE(QTest::qWaitFor([&] { return status.Text() == "2 dumps recieved..."; }, 5000))
        << status.Text().toStdString();
    EXPECT_TRUE(status.InputActive());
    EXPECT_TRUE(main.ActivityTimer()->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !status.InputActive(); }, 5000));
    EXPECT_FALSE(main.ActivityTimer()->isActive());

    // Output activity comes from finished blocks.
    main.Dumps().SystemDump.SendCurrent();
    EXPECT_TRUE(QTest::qWaitFor([&] { return status.OutputActive(); }, 5000));

    // The count stays for one tick after the last dump and goes with the next one.
    main.StatusTimer()->setInterval(20);
    EXPECT_TRUE(QTest::qWaitFor([&] { return status.Text().isEmpty(); }, 5000));
    editor.midi.Inject(0, module.DataSetOf(simulator::Td7Module::SystemBlock()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return status.Text() == "1 dumps recieved..."; }, 5000));
}

TEST(ShellMenu, AnEntryWithoutAHandlerStaysDisabled) {
    shelltest::TestApplication();
    editor::MessageBoxes boxes;
    boxes.SetHeadless(true);
    editor::ErrorDisplay errors(boxes);
    QMenuBar bar;
    editor::MainMenu menu(&bar, errors, nullptr);
    QStringList titles;
    for (QAction* a : bar.actions()) titles << a->text();
    EXPECT_EQ(titles,
              (QStringList{"&File", "&Edit", "&Patch", "&Instruments", "&System", "&Options",
                           "&Play", "&Help"}));

    const editor::TCommandState idle;
    menu.UpdateEnabling(idle);
    EXPECT_FALSE(menu.Action(TCommand::RequestAll)->isEnabled());
    int runs = 0;
    menu.Connect(TCommand::RequestAll, [&](int) { ++runs; });
    menu.Connect(TCommand::PatchMoveTo, [&](int number) { runs += 100 * number; });
    menu.UpdateEnabling(idle);
    EXPECT_TRUE(menu.Action(TCommand::RequestAll)->isEnabled());
    EXPECT_FALSE(menu.Action(TCommand::PatchMoveTo)->isEnabled()) << "no patch being edited";
    menu.Action(TCommand::RequestAll)->trigger();
    menu.NumberedAction(TCommand::PatchMoveTo, 32)->trigger();
    EXPECT_EQ(runs, 3201);
    EXPECT_EQ(menu.NumberedAction(TCommand::PatchMoveTo, 32)->text(), "32");
    EXPECT_EQ(menu.NumberedAction(TCommand::PatchMoveTo, 33), nullptr);

    // A handler's failure is shown, and the menu goes on working.
    menu.Connect(TCommand::RequestAll, [](int) { throw std::runtime_error("No patches"); });
    menu.Action(TCommand::RequestAll)->trigger();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].Text, "No patches");

    editor::TCommandState busy;
    busy.Busy = true;
    menu.UpdateEnabling(busy);
    EXPECT_FALSE(menu.Action(TCommand::RequestAll)->isEnabled());
}

}  // namespace
