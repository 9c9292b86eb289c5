// Patch > "Trigger Check..." on the real windows: the pads' notes counted while it is
// open, a double trigger found and its suggestion applied as an undoable edit sent to the
// trigger's address, Start Again, Save Hits, and F1.

#include <QAction>
#include <QListWidget>
#include <QImage>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableWidget>

#include <fstream>
#include <thread>

#include "editor/shell/EditorWindows.h"
#include "editor/files/FileCommands.h"
#include "editor/shell/Help.h"
#include "editor/shell/MainMenu.h"
#include "editor/trigger/PadChart.h"
#include "editor/trigger/TriggerCheckWindow.h"
#include "td7/history/EditHistory.h"
#include "td7/map/ParameterTable.h"
#include "td7/session/Session.h"
#include "td7/map/ShownValue.h"
#include "td7/session/PortSetup.h"
#include "td7/session/VirtualTd7Service.h"
#include "simulator/VirtualTd7.h"
#include "editor/shell/AboutWindow.h"
#include "editor/common/MessageBoxes.h"
#include "tests/editor/PatchFixture.h"

namespace patchtest {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class TriggerCheckTest : public PatchEditorTest {
  protected:
    TriggerCheckTest() {
        editor.wait->module.SetCurrentPatch(2);
        LoadPatch(2);
        SelectPatch(2);
    }
    editor::TfmTriggerCheck& Open() {
        Main().Menu().Action(editor::TCommand::TriggerCheck)->trigger();
        return *editor.windows->fmTriggerCheck;
    }
    // Notes as the module sends them, a given time apart.
    void Play(const std::vector<std::pair<int, int>>& hits, std::chrono::milliseconds apart) {
        for (const auto& [t, velocity] : hits) {
            const auto note = editor.wait->module.PadHit(t, velocity);
            editor.midi.Inject(0, {note.begin(), note.end()});
            std::this_thread::sleep_for(apart);
        }
    }
    bool WaitForNotes(editor::TfmTriggerCheck& window, std::size_t count) {
        return QTest::qWaitFor([&] { return window.Check().Notes().size() == count; }, 5000);
    }
    int MaskTime() {
        return td7::RecordValue(*td7::FindParameter("txMaskTime"),
                                Main().Dumps().TriggerDump.Records(td7::TriggerRecord(2, 2)).Data());
    }
    // As the patch window's knob shows it ("32ms"), not the stored step.
    static QString ShownMaskTime(int value) {
        return QString::fromStdString(td7::ShownValue(*td7::FindParameter("txMaskTime"), value));
    }
};

TEST_F(TriggerCheckTest, ADoubleTriggerIsFoundAndItsSuggestionAppliedAsAnUndoableEdit) {
    editor::TfmTriggerCheck& window = Open();
    ASSERT_TRUE(window.isVisible());
    EXPECT_TRUE(Main().Session().CheckingTriggers());
    EXPECT_FALSE(Main().FollowPadHits()) << "the check listens without the option";
    // A window wide enough that a slow test machine still sees the doubles as doubles.
    window.DoubleWindow()->setValue(100);
    for (int k = 0; k < 3; ++k) Play({{2, 100}, {2, 30}}, 10ms);
    Play({{0, 90}}, 0ms);
    ASSERT_TRUE(WaitForNotes(window, 7));
    EXPECT_EQ(window.Check().Counts(2).Doubles, 3);
    EXPECT_EQ(window.Doubles()->rowCount(), 1);
    EXPECT_EQ(window.Doubles()->item(0, 0)->text(), "T2: Snare");

    const int before = MaskTime();
    ASSERT_GE(window.SuggestionList()->count(), 1);
    EXPECT_TRUE(window.SuggestionList()->item(0)->text().startsWith("T2: Snare: 3 double hits "));
    EXPECT_TRUE(window.SuggestionList()->item(0)->text().endsWith(
        QStringLiteral("raise Mask Time (now %1)").arg(ShownMaskTime(before))));
    EXPECT_TRUE(ShownMaskTime(before).endsWith(QStringLiteral("ms")));
    ASSERT_TRUE(window.ApplyButton()->isEnabled());
    TakeSent();
    QTest::mouseClick(window.ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(TakeSent(), std::vector<Bytes>{DataSet(0x02, 0x03, 0x07,
                                                     static_cast<std::uint8_t>(before + 1))});
    EXPECT_EQ(MaskTime(), before + 1);
    EXPECT_TRUE(window.SuggestionList()->item(0)->text().endsWith(
        QStringLiteral("(now %1)").arg(ShownMaskTime(before + 1))))
        << "the advice follows the value";
    EXPECT_EQ(Main().History().UndoText(), "Raise Mask Time");
    Main().Menu().Action(editor::TCommand::Undo)->trigger();
    EXPECT_EQ(MaskTime(), before);

    // Start Again: the counts go, the recording goes on.
    QTest::mouseClick(window.findChild<QPushButton*>("btnStartAgain"), Qt::LeftButton);
    EXPECT_TRUE(window.Check().Notes().empty());
    EXPECT_EQ(window.SuggestionList()->count(), 0);
    Play({{2, 64}}, 0ms);
    ASSERT_TRUE(WaitForNotes(window, 1));

    QTest::keyClick(&window, Qt::Key_F1);
    const auto* help = window.findChild<editor::THelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->CurrentAnchor(), QString::number(editor::kHelpTriggerCheck));

    window.close();
    EXPECT_FALSE(Main().Session().CheckingTriggers());
}

TEST_F(TriggerCheckTest, SaveHitsWritesTheNotesAsCsvAndTheChartBesideThemAsPng) {
    editor::TfmTriggerCheck& window = Open();
    Play({{0, 100}, {4, 50}}, 1ms);
    ASSERT_TRUE(WaitForNotes(window, 2));
    const std::string csv = (editor.dir / "hits.csv").string();
    editor.windows->Files->Dialogs().SetHeadless(true);
    editor.windows->Files->Dialogs().SetNextFile(QString::fromStdString(csv));
    QTest::mouseClick(window.findChild<QPushButton*>("btnSaveHits"), Qt::LeftButton);
    EXPECT_TRUE(Errors().empty());
    std::ifstream text(csv);
    std::string header, first;
    std::getline(text, header);
    std::getline(text, first);
    EXPECT_EQ(header, "seconds,note,velocity,trigger,flag");
    EXPECT_NE(first.find(",100,T1: Kick,"), std::string::npos) << first;
    std::ifstream png(editor.dir / "hits.png", std::ios::binary);
    char magic[4] = {};
    png.read(magic, 4);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
    png.close();
    // The picture holds every pad's row, however little of the chart the window shows.
    QImage picture;
    ASSERT_TRUE(picture.load(QString::fromStdString((editor.dir / "hits.png").string())));
    EXPECT_EQ(picture.height(), window.Chart()->sizeHint().height());

    // A second save to the same name: the dialog asked about the CSV, so the PNG beside it is
    // asked about here; no keeps both files as they are.
    const auto csvTime = fs::last_write_time(csv);
    fs::resize_file(editor.dir / "hits.png", 3);
    editor.windows->Files->Dialogs().SetNextFile(QString::fromStdString(csv));
    QTest::mouseClick(window.findChild<QPushButton*>("btnSaveHits"), Qt::LeftButton);
    ASSERT_FALSE(editor.boxes.Shown().empty());
    EXPECT_EQ(editor.boxes.Shown().back().Kind, editor::TBoxKind::Confirm);
    EXPECT_TRUE(editor.boxes.Shown().back().Text.endsWith("hits.png already exists. Replace it with the chart?"));
    EXPECT_EQ(fs::file_size(editor.dir / "hits.png"), 3u);
    EXPECT_EQ(fs::last_write_time(csv), csvTime);
}

// At its first size the window scrolls to the last pad, and each table is one Tab stop.
TEST_F(TriggerCheckTest, EveryPadCanBeScrolledToAndATableIsOneTabStop) {
    editor::TfmTriggerCheck& window = Open();
    auto* scroll = qobject_cast<QScrollArea*>(window.Chart()->parentWidget()->parentWidget());
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(window.Chart()->height(), window.Chart()->sizeHint().height());
    EXPECT_GE(scroll->verticalScrollBar()->maximum() + scroll->viewport()->height(),
              window.Chart()->sizeHint().height());
    Play({{2, 100}, {2, 30}, {2, 100}, {2, 30}}, 1ms);
    ASSERT_TRUE(WaitForNotes(window, 4));
    window.Doubles()->setFocus();
    QTest::keyClick(window.Doubles(), Qt::Key_Tab);
    EXPECT_FALSE(window.Doubles()->hasFocus());
}

// Against the built-in virtual TD-7 whose pads fire twice: the window finds the doubles on
// the time stamps of the MIDI thread, and Apply reaches the module, whose own memory then
// holds the higher Mask Time (with which its model of the pads masks more of the doubles).
TEST(TriggerCheckOnTheVirtualModule, FindsTheDoublesAndApplyRaisesTheModulesMaskTime) {
    QApplication& application = shelltest::TestApplication();
    (void)application;
    td7::VirtualTd7Service module;
    editor::MessageBoxes boxes;
    boxes.SetHeadless(true);
    editor::ErrorDisplay errors{boxes};
    editor::TfmAbout about;
    const fs::path dir = fs::temp_directory_path() / ("tamboro-trigger-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        editor::TEditorWindows windows(shelltest::ServicesFor(module, boxes, errors, dir), about);
        editor::TfmTamboro& main = *windows.fmTamboro;
        main.show();
        td7::ApplyDeviceChoice(main.MidiInput1(), main.MidiOutput1(), 1, 2, 17);
        boxes.SetNextAnswer(editor::TAnswer::Yes);
        main.Menu().Action(editor::TCommand::RequestCurrent)->trigger();
        ASSERT_TRUE(main.Present().PatchPresent(0));
        main.Menu().Action(editor::TCommand::TriggerCheck)->trigger();
        editor::TfmTriggerCheck& window = *windows.fmTriggerCheck;

        simulator::VirtualTd7::Config config;
        config.hitsPerSecond = 20;
        config.triggers.doubles = true;
        module.Module().Configure(config);
        int k = -1;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (std::size_t s = 0; s < window.Suggestions().size(); ++s)
                    if (window.Suggestions()[s].Text.find("raise Mask Time") != std::string::npos)
                        k = static_cast<int>(s);
                return k >= 0;
            },
            10000));
        const td7::TSuggestion suggestion = window.Suggestions()[static_cast<std::size_t>(k)];
        const int t = suggestion.Step->Record;  // patch 1: the record is the trigger
        const auto maskOf = [&] {
            std::lock_guard lock(module.Module().ModuleMutex());
            return static_cast<int>(module.Module().Module().Data(Td7Module::TriggerBlock(0, t))[7]);
        };
        const int before = maskOf();
        EXPECT_EQ(suggestion.Step->Value, before + 1);
        window.Apply(k);
        EXPECT_TRUE(QTest::qWaitFor([&] { return maskOf() == before + 1; }, 5000));
        module.Module().SetHits(0);
        EXPECT_TRUE(errors.Boxes().Shown().empty());
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace patchtest
