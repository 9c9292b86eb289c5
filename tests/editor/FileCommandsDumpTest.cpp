// Patch, instrument and system files and the moving of patches, through the menu.

#include "td7/files/DumpFiles.h"
#include "tests/editor/FileCommandsFixture.h"

namespace filesgui {
namespace {

using editor::TFileDialogMode;

using DumpCommands = FileCommandsTest;

Bytes Concatenated(const std::vector<Bytes>& records) {
    Bytes all;
    for (const Bytes& r : records) all.insert(all.end(), r.begin(), r.end());
    return all;
}

// The data bytes of each record, without header, checksum and end byte.
std::vector<Bytes> DataOf(const std::vector<Bytes>& records) {
    std::vector<Bytes> data;
    for (const Bytes& r : records) data.emplace_back(r.begin() + 9, r.end() - 2);
    return data;
}

TEST_F(DumpCommands, PatchFileSavedFromOneSlotLoadsIntoAnother) {
    Start();
    Receive(1);
    ClickPatch(1);
    const fs::path file = editor.dir / "one.syx";
    Dialogs().SetNextFile(QString::fromStdString(file.string()));
    Run(TCommand::PatchSave);
    const std::vector<Bytes> slot2 = PatchRecords(1);
    EXPECT_EQ(ReadBytes(file), Concatenated(slot2));
    const auto& save = Dialogs().Shown().back();
    EXPECT_EQ(save.Mode, TFileDialogMode::Save);
    EXPECT_EQ(save.Filter, "*.syx|*.syx");
    EXPECT_EQ(editor::QtFilter(save.Filter), "*.syx (*.syx)");
    EXPECT_EQ(save.DefaultSuffix, "syx");

    // Into slot 8, filled first from the default patch.
    Initialize(7);
    Dialogs().SetNextFile(QString::fromStdString(file.string()));
    Run(TCommand::PatchLoad);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Concatenated(PatchRecords(7)), Concatenated(slot2)) << "records taken as they are";
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_EQ(Patch().edName()->text().toStdString(),
              td7::PatchName(Dump(td7::Block::Prog).Records(1)));

    // Sent, they address slot 8 whatever the file's headers say.
    TakeSysex();
    Run(TCommand::TransmitCurrent);
    const std::vector<Bytes> sent = TakeSysex();
    ASSERT_EQ(sent.size(), 78u);
    for (std::size_t k = 0; k < sent.size(); ++k) {
        EXPECT_EQ(sent[k][6], 0x07) << k;
        EXPECT_TRUE(std::equal(sent[k].begin() + 9, sent[k].end() - 2, slot2[k].begin() + 9)) << k;
    }
}

// Sending seals every record with a fresh checksum: a record the file held damaged would
// reach the module as sound data. Saving keeps it as it was read, and says so.
TEST_F(DumpCommands, ARecordLoadedDamagedIsNotTransmittedAndIsSavedAsRead) {
    Start();
    Receive(1);
    ClickPatch(1);
    const fs::path file = editor.dir / "flipped.syx";
    Dialogs().SetNextFile(QString::fromStdString(file.string()));
    Run(TCommand::PatchSave);
    Bytes bytes = ReadBytes(file);
    bytes[58 + 18 * 22 + 5 * 19 + 9 + 5] ^= 0x01;  // a data byte of note 40, checksum left
    WriteBytes(file, bytes);

    Initialize(7);
    Dialogs().SetNextFile(QString::fromStdString(file.string()));
    Run(TCommand::PatchLoad);
    ASSERT_TRUE(Errors().empty());
    TakeSysex();
    for (TCommand command : {TCommand::TransmitCurrent, TCommand::TransmitAll}) {
        editor.boxes.ClearShown();
        Run(command);
        EXPECT_TRUE(TakeSysex().empty());
        ASSERT_EQ(Errors().size(), 1u);
        EXPECT_TRUE(Errors().front().startsWith(
            "Nothing was sent: 1 damaged record: patch 8 note 40 E 2 (checksum "))
            << Errors().front().toStdString();
    }

    editor.boxes.ClearShown();
    const fs::path again = editor.dir / "again.syx";
    Dialogs().SetNextFile(QString::fromStdString(again.string()));
    Run(TCommand::PatchSave);
    EXPECT_EQ(ReadBytes(again), bytes);
    ASSERT_EQ(editor.boxes.Shown().size(), 1u);
    EXPECT_EQ(editor.boxes.Shown()[0].Kind, editor::TBoxKind::Information);
    EXPECT_TRUE(editor.boxes.Shown()[0].Text.startsWith(
        "Saved with 1 damaged record: patch 8 note 40 E 2 (checksum "))
        << editor.boxes.Shown()[0].Text.toStdString();
}

TEST_F(DumpCommands, FilesOfTheWrongSizeAreRefusedAndChangeNothing) {
    Start();
    Receive(0);
    ClickPatch(0);
    const std::vector<Bytes> before = PatchRecords(0);
    const Bytes instrument = [&] {
        const auto& r = Dump(td7::Block::Instrument).Records(3);
        return Bytes(r.Data(), r.Data() + r.Size());
    }();
    for (td7::Block block : td7::kAllBlocks) Dump(block).SetModified(false);

    struct Case {
        TCommand command;
        std::size_t size;
        QString error;
    };
    const std::vector<Case> cases = {
        {TCommand::PatchLoad, 1574, "Not a proper TD7 patch file (filesize differs)"},
        {TCommand::PatchLoad, 1576, "Not a proper TD7 patch file (filesize differs)"},
        {TCommand::InstLoad, 16895, "Not a proper TD7 instruments file (filesize differs)"},
        {TCommand::InstLoad, 16897, "Not a proper TD7 instruments file (filesize differs)"},
        {TCommand::SysLoad, 33, "Not a proper TD7 system file (filesize differs)"},
        {TCommand::SysLoad, 0, "Not a proper TD7 system file (filesize differs)"},
    };
    for (const Case& c : cases) {
        editor.boxes.ClearShown();
        const fs::path file = editor.dir / ("wrong" + std::to_string(c.size) + ".syx");
        WriteBytes(file, Bytes(c.size, 0x41));
        Dialogs().SetNextFile(QString::fromStdString(file.string()));
        Run(c.command);
        EXPECT_EQ(Errors(), std::vector<QString>{c.error}) << c.size;
        EXPECT_EQ(PatchRecords(0), before) << c.size;
        const auto& r = Dump(td7::Block::Instrument).Records(3);
        EXPECT_EQ(Bytes(r.Data(), r.Data() + r.Size()), instrument) << c.size;
        EXPECT_FALSE(Main().Present().InstrumentsPresent()) << c.size;
        EXPECT_FALSE(Main().Present().SystemPresent()) << c.size;
        EXPECT_EQ(Caption(), "Untitled.td7 - Tamboro V1.2") << c.size;
    }
}

TEST_F(DumpCommands, InstrumentAndSystemFilesRoundTrip) {
    Start();
    EXPECT_FALSE(Main().Menu().Action(TCommand::InstSave)->isEnabled());
    EXPECT_FALSE(Main().Menu().Action(TCommand::SysSave)->isEnabled());
    Run(TCommand::InstRequest);
    Run(TCommand::SysRequest);
    ASSERT_TRUE(Errors().empty());

    const fs::path instruments = editor.dir / "inst.syx";
    const fs::path system = editor.dir / "sys.syx";
    Dialogs().SetNextFile(QString::fromStdString(instruments.string()));
    Run(TCommand::InstSave);
    Dialogs().SetNextFile(QString::fromStdString(system.string()));
    Run(TCommand::SysSave);
    const Bytes savedInstruments = ReadBytes(instruments);
    const Bytes savedSystem = ReadBytes(system);
    ASSERT_EQ(savedInstruments.size(), 16896u);
    ASSERT_EQ(savedSystem.size(), 34u);
    EXPECT_TRUE(std::equal(savedInstruments.begin() + 33 * 300, savedInstruments.begin() + 33 * 301,
                           editor.wait->module.DataSetOf(Td7Module::InstrumentBlock(300)).begin()));
    EXPECT_EQ(savedSystem, editor.wait->module.DataSetOf(Td7Module::SystemBlock()));

    // Changed in the mirror, then loaded back.
    Dump(td7::Block::Instrument).Records(300).Data()[12] ^= 1;
    Dump(td7::Block::System).Records(0).Data()[10] ^= 1;
    Dialogs().SetNextFile(QString::fromStdString(instruments.string()));
    Run(TCommand::InstLoad);
    Dialogs().SetNextFile(QString::fromStdString(system.string()));
    Run(TCommand::SysLoad);
    EXPECT_TRUE(Errors().empty());
    const auto& r = Dump(td7::Block::Instrument).Records(300);
    EXPECT_TRUE(std::equal(r.Data(), r.Data() + r.Size(), savedInstruments.begin() + 33 * 300));
    const auto& s = Dump(td7::Block::System).Records(0);
    EXPECT_EQ(Bytes(s.Data(), s.Data() + s.Size()), savedSystem);
    EXPECT_EQ(Caption(), "Untitled.td7* - Tamboro V1.2") << "file loads leave the setup changed";
}

TEST_F(DumpCommands, OnlyTheInstrumentLoadTitlesTheOpenDialog) {
    Start();
    Receive(0);
    ClickPatch(0);
    Dialogs().SetNextCancel();
    Run(TCommand::PatchLoad);
    EXPECT_EQ(Dialogs().Shown().back().Title, "");
    EXPECT_EQ(Dialogs().Shown().back().Mode, TFileDialogMode::Open);
    Dialogs().SetNextCancel();
    Run(TCommand::InstLoad);
    EXPECT_EQ(Dialogs().Shown().back().Title, "Open Instrument File...");
    // The patch and system loads after it show the dialog's own title again.
    Dialogs().SetNextCancel();
    Run(TCommand::SysLoad);
    EXPECT_EQ(Dialogs().Shown().back().Title, "");
    Dialogs().SetNextCancel();
    Run(TCommand::InstLoad);
    Dialogs().SetNextCancel();
    Run(TCommand::PatchLoad);
    EXPECT_EQ(Dialogs().Shown().back().Title, "");
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Caption(), "Untitled.td7* - Tamboro V1.2") << "a cancel leaves all as it was";
}

TEST_F(DumpCommands, MoveAndExchangeCarryEveryRecordAndTheSelection) {
    Start();
    for (int p : {0, 1, 2}) Receive(p);
    Main().Present().SetPatchPresent(1, false);  // slot 2 holds bytes but no patch
    const std::vector<Bytes> one = PatchRecords(0), two = PatchRecords(1), three = PatchRecords(2),
                             four = PatchRecords(3);
    ClickPatch(0);
    EXPECT_FALSE(Main().Menu().NumberedAction(TCommand::PatchMoveTo, 1)->isEnabled());

    // Slot 1 to slot 3: the slots between move up, their flags with them.
    RunNumbered(TCommand::PatchMoveTo, 3);
    EXPECT_EQ(PatchRecords(2), one);
    EXPECT_EQ(PatchRecords(0), two);
    EXPECT_EQ(PatchRecords(1), three);
    EXPECT_EQ(PatchRecords(3), four);
    EXPECT_FALSE(Main().Present().PatchPresent(0));
    EXPECT_TRUE(Main().Present().PatchPresent(1));
    EXPECT_TRUE(Main().Present().PatchPresent(2));
    EXPECT_EQ(Patch().lbPatch()->currentRow(), 2);
    EXPECT_EQ(Main().CurrentPatch(), 2);
    EXPECT_EQ(Main().Dumps().ProgDump.Index(), 2);
    EXPECT_EQ(Main().Dumps().TriggerDump.Index() / 18, 2);
    EXPECT_EQ(Main().Dumps().NotemapDump.Index() / 59, 2);
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_FALSE(Main().Menu().NumberedAction(TCommand::PatchMoveTo, 3)->isEnabled());
    EXPECT_EQ(Caption(), "Untitled.td7* - Tamboro V1.2");

    // Back and forth: the moved patch goes out with slot 3's address.
    TakeSysex();
    Run(TCommand::TransmitCurrent);
    const std::vector<Bytes> sent = TakeSysex();
    ASSERT_EQ(sent.size(), 78u);
    for (std::size_t k = 0; k < sent.size(); ++k) EXPECT_EQ(sent[k][6], 0x02) << k;

    // Exchange slot 3 with slot 1: records and flags swap, the patch stays selected. (The
    // transmission gave the moved records slot 3's headers; their data is what counts.)
    RunNumbered(TCommand::PatchExchangeWith, 1);
    EXPECT_EQ(DataOf(PatchRecords(0)), DataOf(one));
    EXPECT_EQ(PatchRecords(2), two);
    EXPECT_EQ(PatchRecords(1), three);
    EXPECT_TRUE(Main().Present().PatchPresent(0));
    EXPECT_FALSE(Main().Present().PatchPresent(2));
    EXPECT_EQ(Patch().lbPatch()->currentRow(), 0);
    EXPECT_EQ(Main().CurrentPatch(), 0);
    EXPECT_EQ(Main().Dumps().ProgDump.Index(), 0);
    EXPECT_TRUE(Main().PatchEditing());
    EXPECT_TRUE(Errors().empty());
}

}  // namespace
}  // namespace filesgui
