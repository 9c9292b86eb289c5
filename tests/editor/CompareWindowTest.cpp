// Patch > "Compare With..." on the real windows: the differences of two slots, taking one
// into the current patch (sent at its address, undoable), the window following the mirror,
// and a damaged patch file refused as Patch > Load refuses it.

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>

#include "controls/MidiKnob.h"
#include "editor/compare/CompareChooser.h"
#include "editor/compare/CompareCommand.h"
#include "editor/compare/CompareWindow.h"
#include "editor/files/FileCommands.h"
#include "editor/shell/Help.h"
#include "editor/shell/MainMenu.h"
#include "td7/files/DumpFiles.h"
#include "td7/history/EditHistory.h"
#include "td7/map/ParameterTable.h"
#include "tests/editor/PatchFixture.h"

namespace patchtest {
namespace {

class CompareWindowTest : public PatchEditorTest {
  protected:
    // Slot 2 as a copy of slot 1 but for three parameters: the effect 1 type, the snare's
    // gate time, the layer mode of note 40.
    void LoadTwoPatches() {
        LoadPatch(0);
        auto& dumps = Main().Dumps();
        const auto copy = [](midilink::TDumpCollection& dump, int from, int to) {
            dump.Records(to).CopyFrom(dump.Records(from).Data());
        };
        copy(dumps.ProgDump, 0, 1);
        for (int t = 0; t < td7::kTriggersPerPatch; ++t)
            copy(dumps.TriggerDump, td7::TriggerRecord(0, t), td7::TriggerRecord(1, t));
        for (int n = 0; n < td7::kNotesPerPatch; ++n)
            copy(dumps.NotemapDump, td7::NotemapRecord(0, n), td7::NotemapRecord(1, n));
        Main().Present().SetPatchPresent(1, true);
        std::uint8_t* common = dumps.ProgDump.Records(1).Data();
        common[23] = static_cast<std::uint8_t>((common[23] + 1) % 4);
        m_gate = dumps.TriggerDump.Records(td7::TriggerRecord(0, 2)).Data()[10];
        dumps.TriggerDump.Records(td7::TriggerRecord(1, 2)).Data()[10] =
            static_cast<std::uint8_t>(m_gate == 40 ? 1 : m_gate + 1);
        std::uint8_t* note = dumps.NotemapDump.Records(td7::NotemapRecord(1, 5)).Data();
        note[9] = static_cast<std::uint8_t>((note[9] + 1) % 6);
        SelectPatch(0);
        QCoreApplication::processEvents();
    }
    editor::TCompareCommand& Compare() { return *editor.windows->Compare; }
    QModelIndex IndexOf(editor::TfmCompare& window, const char* parameter) {
        QStandardItemModel* model = window.Model();
        for (int g = 0; g < model->rowCount(); ++g)
            for (int r = 0; r < model->item(g)->rowCount(); ++r) {
                const QModelIndex index = model->item(g)->child(r)->index();
                const int k = index.data(Qt::UserRole + 1).toInt();
                if (window.Rows()[static_cast<std::size_t>(k)].Parameter ==
                    td7::FindParameter(parameter))
                    return index;
            }
        return {};
    }

    int m_gate = 0;
};

TEST_F(CompareWindowTest, TakingARowSendsItsValueAtTheCurrentPatchAndCtrlZPutsItBack) {
    LoadTwoPatches();
    ChooseTrigger(2);
    Compare().Open({.Slot = 1, .Image = {}, .Name = {}});
    editor::TfmCompare& window = *Compare().Window();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle().toStdString().find("Compare 01: "), 0u);
    EXPECT_NE(window.windowTitle().indexOf(" with 02: "), -1) << window.windowTitle().toStdString();
    ASSERT_EQ(window.Rows().size(), 3u);
    EXPECT_EQ(window.CountLabel()->text(), "3 differences");
    EXPECT_EQ(window.Model()->rowCount(), 3) << "one group each: Effect 1, T2: Snare, 40 E 2";
    EXPECT_EQ(window.Model()->item(1)->text(), "T2: Snare");

    TakeSent();
    const QModelIndex gate = IndexOf(window, "txGateTime");
    ASSERT_TRUE(gate.isValid());
    QTreeView* tree = window.Tree();
    // A double-click is a click, then a second press that the system reports as a double.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(gate).center());
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(gate).center());
    const std::uint8_t taken = static_cast<std::uint8_t>(m_gate == 40 ? 1 : m_gate + 1);
    EXPECT_EQ(TakeSent(), std::vector<Bytes>{DataSet(0x00, 0x03, 0x01, taken)})
        << "the snare's gate time of patch 1, and nothing else";
    EXPECT_EQ(Main().Dumps().TriggerDump.Records(td7::TriggerRecord(0, 2)).Data()[10], taken);
    EXPECT_EQ(Control<controls::TMidiKnob>("txGateTime")->Value(), taken) << "the knob shows it";
    EXPECT_EQ(window.Rows().size(), 2u);
    EXPECT_EQ(window.CountLabel()->text(), "2 differences");
    EXPECT_EQ(Main().History().UndoText(), td7::StepLabel(*td7::FindParameter("txGateTime")));

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(TakeSent(), std::vector<Bytes>{DataSet(0x00, 0x03, 0x01, m_gate)});
    QCoreApplication::processEvents();
    EXPECT_EQ(window.Rows().size(), 3u) << "the window follows the mirror";

    // The other slot changes: the window follows it too.
    Main().Dumps().ProgDump.Records(1).SetBytes(23, Main().Dumps().ProgDump.Records(0).Bytes(23));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.CountLabel()->text(), "2 differences");

    // F1 opens the help at the window's own page.
    QTest::keyClick(&window, Qt::Key_F1);
    const auto* help = window.findChild<editor::THelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->CurrentAnchor(), QString::number(editor::kHelpCompareWindow));
}

TEST_F(CompareWindowTest, ADamagedPatchFileIsRefusedWithThePatchLoadTextAndChangesNothing) {
    LoadTwoPatches();
    const std::filesystem::path file = editor.dir / "short.syx";
    std::ofstream(file, std::ios::binary) << std::string(1574, '\x01');
    editor::FileDialogs& dialogs = editor.windows->Files->Dialogs();
    dialogs.SetHeadless(true);
    dialogs.SetNextFile(QString::fromStdString(file.string()));
    bool listed = false;
    QTimer::singleShot(0, [&] {
        editor::TfmCompareWith& chooser = *Compare().Chooser();
        // The 31 other slots, the empty ones not to be picked.
        listed = chooser.lbSlots()->count() == 31 &&
                 (chooser.lbSlots()->item(0)->flags() & Qt::ItemIsEnabled) &&
                 !(chooser.lbSlots()->item(1)->flags() & Qt::ItemIsEnabled);
        chooser.btnFile()->click();
        chooser.reject();
    });
    TakeSent();
    Main().Menu().Action(editor::TCommand::CompareWith)->trigger();
    EXPECT_TRUE(listed);
    EXPECT_EQ(Errors(), std::vector<QString>{QString::fromLatin1(td7::kPatchFileSizeError)});
    EXPECT_EQ(Compare().Window(), nullptr);
    EXPECT_TRUE(TakeSent().empty());
}

}  // namespace
}  // namespace patchtest
