// The checked transmissions of the main menu against the simulated module: Options >
// "Verify Transmissions" and the two "Transmit Differences" entries.
#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QStatusTipEvent>
#include <QTimer>

#include "editor/shell/MainMenu.h"
#include "editor/transfers/ProgressWindow.h"
#include "editor/shell/StatusLine.h"
#include "td7/map/PresentFlags.h"
#include "td7/transfers/ReadBack.h"
#include "td7/transfers/Transfers.h"
#include "td7/map/Td7Collections.h"
#include "tests/editor/ShellHarness.h"

namespace {

using td7::Block;
using editor::TBoxKind;
using editor::TCommand;
using td7::TRecordRef;
using simulator::Td7Module;
using Bytes = std::vector<std::uint8_t>;

class ShellChecks : public ::testing::Test {
  protected:
    ShellChecks() : editor(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}

    void Start(const std::string& extraSettings = {}) {
        editor.WriteSettings("[General]\nMidiInDev=1\nMidiOutDev=2\n" + extraSettings);
        editor.Start({}, 0);
        editor.wait->module.LoadRandom(11);
        // The mirror holds patches 3 and 6 as the module has them.
        editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
        Main().SetCurrentPatch(2);
        Run(TCommand::RequestCurrent);
        Main().SetCurrentPatch(5);
        Run(TCommand::RequestCurrent);
    }
    editor::TfmTamboro& Main() { return editor.Main(); }
    Td7Module& Module() { return editor.wait->module; }
    void Run(TCommand command) { Main().Menu().Action(command)->trigger(); }
    std::vector<QString> Errors() {
        std::vector<QString> texts;
        for (const auto& box : editor.boxes.Shown())
            if (box.Kind == TBoxKind::Error) texts.push_back(box.Text);
        return texts;
    }
    std::vector<Bytes> Mirror() {
        std::vector<Bytes> all;
        for (Block block : td7::kAllBlocks) {
            auto& dump = Main().Dumps().Of(block);
            for (int i = 0; i < dump.Count(); ++i)
                all.emplace_back(dump.Records(i).Data() + td7::kHeaderSize,
                                 dump.Records(i).Data() + dump.Size() - 2);
        }
        return all;
    }
    // Whether the module holds the mirror's data for the records.
    bool ModuleHolds(const std::vector<TRecordRef>& records) {
        for (const auto& r : records) {
            const auto block =
                r.Kind == Block::Prog      ? Td7Module::CommonBlock(r.Index)
                : r.Kind == Block::Trigger ? Td7Module::TriggerBlock(r.Index / 18, r.Index % 18)
                : r.Kind == Block::Notemap ? Td7Module::NoteMapBlock(r.Index / 59, r.Index % 59)
                                           : Td7Module::InstrumentBlock(r.Index);
            if (!td7::SameData(r.Kind, Module().DataSetOf(block).data(),
                               Main().Dumps().Of(r.Kind).Records(r.Index).Data()))
                return false;
        }
        return true;
    }
    QString Status() { return Main().Status().Text(); }
    // A module that lost its kits and loses every 7th data set still ends with the mirror,
    // which this returns.
    auto TransmitAllToALossyModule() {
        Module() = Td7Module();
        Module().SetDropEvery(7);
        const auto mirror = Mirror();
        const auto records = td7::PresentPatchRecords(Main().Present());
        Run(TCommand::TransmitAll);
        EXPECT_TRUE(Errors().empty()) << Errors().front().toStdString();
        EXPECT_EQ(Status(), "All 156 dumps verified");
        EXPECT_TRUE(ModuleHolds(records));
        EXPECT_EQ(Mirror(), mirror) << "the module's answers reached the mirror";
        return mirror;
    }

    shelltest::Editor editor;
};

// A transmission's result stays on the line through the status timer and hints until the
// next command; a text longer than the line ends in "..." and shows whole as a tool tip.
TEST_F(ShellChecks, AResultStaysReadableUntilTheNextCommand) {
    Start("VerifyTransmissions=0\n");
    Run(TCommand::TransmitAll);
    ASSERT_TRUE(Errors().empty());
    EXPECT_EQ(Status(), "All 156 dumps sent");
    auto* timer = Main().findChild<QTimer*>(QStringLiteral("StatusTimer"));
    ASSERT_NE(timer, nullptr);
    for (int tick = 0; tick < 3; ++tick) ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout"));
    EXPECT_EQ(Status(), "All 156 dumps sent");
    QStatusTipEvent hint(QStringLiteral("Hall Reverb Time"));
    QCoreApplication::sendEvent(&Main(), &hint);
    EXPECT_EQ(Status(), "Hall Reverb Time");
    QStatusTipEvent gone{QString()};
    QCoreApplication::sendEvent(&Main(), &gone);
    EXPECT_EQ(Status(), "All 156 dumps sent");
    Run(TCommand::BackgroundBlack);
    EXPECT_EQ(Status(), "");

    const QString longText = QString(300, QLatin1Char('x'));
    Main().Status().SetText(longText);
    const QLabel* label = Main().Status().paStatusText();
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
    EXPECT_EQ(label->toolTip(), longText);
    EXPECT_EQ(Status(), longText);
}

TEST_F(ShellChecks, VerifyTransmissionsChecksWhatWasSentAndReportsWhatFailed) {
    Start("VerifyTransmissions=1\n");
    QAction* option = Main().Menu().Action(TCommand::VerifyTransmissions);
    ASSERT_TRUE(option->isCheckable());
    EXPECT_TRUE(option->isChecked()) << "read from tamboro.ini";

    const auto mirror = TransmitAllToALossyModule();
    EXPECT_GE(Module().DataSetsDropped(), 22);
    auto& progress = *editor.windows->fmProgress;
    EXPECT_EQ(progress.findChild<QLabel*>("Label1")->text(), "Dumps verified:");
    EXPECT_EQ(progress.edCount()->text(), "156");

    // A module that takes nothing: after both rounds the error box names every record.
    Module() = Td7Module();
    Module().SetDropEvery(1);
    Run(TCommand::TransmitCurrent);
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].startsWith(
        "78 dumps could not be verified: patch 6 common, patch 6 trigger T1: Kick, "
        "patch 6 trigger R1: Kick Rim, "))
        << Errors()[0].toStdString();
    EXPECT_EQ(Mirror(), mirror);
    EXPECT_TRUE(Main().isEnabled());

    // Unchecked, a transmission sends and says nothing more, as before.
    option->trigger();
    EXPECT_FALSE(Main().CurrentSettings().VerifyTransmissions);
    const int dropped = Module().DataSetsDropped();
    Run(TCommand::TransmitCurrent);
    EXPECT_EQ(Module().DataSetsDropped(), dropped + 78);
    EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(ShellChecks, TransmitDifferencesSendsOnlyTheChangedRecords) {
    Start();
    EXPECT_FALSE(Main().Menu().Action(TCommand::VerifyTransmissions)->isChecked());
    EXPECT_FALSE(Main().Menu().Action(TCommand::InstTransmitDifferences)->isEnabled());
    const std::vector<TRecordRef> changed = {
        {Block::Prog, 2}, {Block::Trigger, 18 * 2 + 4}, {Block::Notemap, 59 * 5 + 58}};
    for (const auto& r : changed) Main().Dumps().Of(r.Kind).Records(r.Index).Data()[10] ^= 1;
    const auto mirror = Mirror();
    ASSERT_FALSE(ModuleHolds(changed));

    Run(TCommand::TransmitDifferences);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Module().DataSetsStored(), 3) << "counted on the module's side";
    EXPECT_TRUE(ModuleHolds(td7::PresentPatchRecords(Main().Present())));
    EXPECT_EQ(Mirror(), mirror);
    EXPECT_EQ(Status(), "3 of 156 dumps differed. All 3 dumps verified");

    Run(TCommand::InstRequest);
    Main().Dumps().InstrumentDump.Records(300).Data()[12] ^= 1;
    Run(TCommand::InstTransmitDifferences);
    EXPECT_EQ(Module().DataSetsStored(), 4);
    EXPECT_TRUE(ModuleHolds(td7::InstrumentRecords()));
    EXPECT_EQ(Status(), "1 of 512 dumps differed. 1 dump verified");
}

TEST_F(ShellChecks, FastTransfersVerifyAtALearnedPaceKeptPerDevice) {
    Start("FastTransfers=1\n");
    QAction* option = Main().Menu().Action(TCommand::FastTransfers);
    ASSERT_TRUE(option->isCheckable());
    EXPECT_TRUE(option->isChecked()) << "read from tamboro.ini";

    TransmitAllToALossyModule();
    auto& progress = *editor.windows->fmProgress;
    const int dropped = Module().DataSetsDropped();
    EXPECT_EQ(progress.edCount()->text(), QString::number(156 + dropped)) << "again ones too";
    EXPECT_TRUE(progress.lbFast()->text().startsWith("Dumps verified: 156, pace "))
        << progress.lbFast()->text().toStdString();
    // The pace learned is kept under the output device's name.
    const std::string device = Main().MidiOutput1().ProductName();
    EXPECT_NE(editor.ReadSettings().find("[FastTransfers]\n" + device + "="), std::string::npos)
        << editor.ReadSettings();

    // Cancel: what was not verified yet is named.
    Module() = Td7Module();
    Module().SetDropEvery(0);
    editor.wait->duringWait = [&progress] {
        if (progress.SentCount() >= 20) progress.btnCancel()->click();
    };
    Run(TCommand::TransmitCurrent);
    editor.wait->duringWait = nullptr;
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].startsWith("62 dumps could not be verified: patch 6 trigger "))
        << Errors()[0].toStdString();
    EXPECT_TRUE(Main().isEnabled());

    // Requests too: the whole patch arrives with two requests on their way at a time.
    Module().LoadRandom(12);
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    Run(TCommand::RequestCurrent);
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(ModuleHolds(td7::PatchRecords(5)));

    option->trigger();
    EXPECT_FALSE(Main().CurrentSettings().FastTransfers);
}

TEST_F(ShellChecks, AFastTransmissionReportsWhatItDidBeforeWhatItCouldNot) {
    Start("FastTransfers=1\n");
    // tamboro.ini cannot be written: the transmission's report first, then the pace not kept.
    const std::filesystem::path ini = Main().SettingsFile();
    std::filesystem::remove(ini);
    std::filesystem::create_directory(ini);
    Run(TCommand::TransmitCurrent);
    std::filesystem::remove(ini);
    EXPECT_EQ(Status(), "All 78 dumps verified");
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].startsWith("The pace learned was not kept: Cannot write "))
        << Errors()[0].toStdString();

    // Without an input the pace cannot be learned: nothing goes out, and the box says why.
    Main().MidiInput1().Close();
    const int stored = Module().DataSetsStored();
    Run(TCommand::TransmitCurrent);
    ASSERT_EQ(Errors().size(), 2u);
    EXPECT_EQ(Errors()[1].toStdString(), td7::kFastNeedsInputText);
    EXPECT_EQ(Module().DataSetsStored(), stored);
}

}  // namespace
