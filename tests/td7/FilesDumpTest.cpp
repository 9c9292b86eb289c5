// Patch, instrument and system files: their bytes, loading them anywhere, refusing sizes.

#include <gtest/gtest.h>

#include "td7/files/DumpFiles.h"
#include "tests/td7/FilesFixture.h"

namespace filestest {
namespace {

using td7::Block;

class DumpFilesTest : public FilesTest {};

TEST_F(DumpFilesTest, PatchFileHoldsTheSlotInPatchOrderAndLoadsIntoAnotherSlot) {
    TagAll(1);
    dumps.ProgDump.Records(0).Data()[20] = 0x33;  // an edit after the last seal
    const fs::path file = dir / "p1.syx";
    td7::SavePatchFile(file, dumps, 0);

    const Bytes bytes = ReadAll(file);
    ASSERT_EQ(bytes.size(), 1575u);
    std::size_t pos = 0;
    const auto expectRecord = [&](int size, std::uint8_t a3, Tag tag) {
        SCOPED_TRACE(tag);
        const std::uint8_t* r = bytes.data() + pos;
        EXPECT_EQ(Bytes(r, r + 9), (Bytes{0xF0, 0x41, 0x10, 0x58, 0x12, 0x00, 0x00, a3, 0x00}));
        EXPECT_EQ((Tag{static_cast<Block>(r[9]), r[10] << 7 | r[11], r[12]}), tag);
        EXPECT_TRUE(Sealed(r, size));
        pos += static_cast<std::size_t>(size);
    };
    expectRecord(58, 0, {Block::Prog, 0, 1});
    EXPECT_EQ(bytes[20], 0x33);
    for (int t = 0; t < 18; ++t)
        expectRecord(22, static_cast<std::uint8_t>(t + 1), {Block::Trigger, t, 1});
    for (int n = 0; n < 59; ++n)
        expectRecord(19, static_cast<std::uint8_t>(35 + n), {Block::Notemap, n, 1});

    // Into slot 7: the records land there and go out with its address.
    TagAll(2);
    ClearModified();
    td7::LoadPatchFile(file, dumps, present, 6);
    EXPECT_TRUE(present.PatchPresent(6));
    EXPECT_TRUE(AnyModified());
    EXPECT_EQ(At(Block::Prog, 6), (Tag{Block::Prog, 0, 1}));
    EXPECT_EQ(At(Block::Prog, 5), (Tag{Block::Prog, 5, 2}));
    EXPECT_EQ(At(Block::Prog, 7), (Tag{Block::Prog, 7, 2}));
    for (int t = 0; t < 18; ++t)
        EXPECT_EQ(At(Block::Trigger, 108 + t), (Tag{Block::Trigger, t, 1})) << t;
    for (int n = 0; n < 59; ++n)
        EXPECT_EQ(At(Block::Notemap, 354 + n), (Tag{Block::Notemap, n, 1})) << n;
    EXPECT_EQ(At(Block::Trigger, 126), (Tag{Block::Trigger, 126, 2}));
    EXPECT_EQ(At(Block::Notemap, 413), (Tag{Block::Notemap, 413, 2}));

    dumps.ProgDump.SendRecord(6);
    for (int t = 0; t < 18; ++t) dumps.TriggerDump.SendRecord(108 + t);
    for (int n = 0; n < 59; ++n) dumps.NotemapDump.SendRecord(354 + n);
    const auto sent = link.LongMessages();
    ASSERT_EQ(sent.size(), 78u);
    for (const Bytes& m : sent) {
        EXPECT_EQ(m[6], 0x06);
        EXPECT_TRUE(Sealed(m.data(), static_cast<int>(m.size())));
    }
}

TEST_F(DumpFilesTest, InstrumentAndSystemFilesRoundTrip) {
    TagAll(1);
    const fs::path instruments = dir / "inst.syx";
    const fs::path system = dir / "sys.syx";
    td7::SaveInstrumentFile(instruments, dumps);
    td7::SaveSystemFile(system, dumps);
    const Bytes instrumentBytes = ReadAll(instruments);
    const Bytes systemBytes = ReadAll(system);
    ASSERT_EQ(instrumentBytes.size(), 16896u);
    ASSERT_EQ(systemBytes.size(), 34u);
    // Instrument 128 sits at its place with address 01 01 00 00.
    EXPECT_EQ(Bytes(instrumentBytes.begin() + 128 * 33, instrumentBytes.begin() + 128 * 33 + 9),
              (Bytes{0xF0, 0x41, 0x10, 0x58, 0x12, 0x01, 0x01, 0x00, 0x00}));
    EXPECT_EQ(Bytes(systemBytes.begin(), systemBytes.begin() + 9),
              (Bytes{0xF0, 0x41, 0x10, 0x58, 0x12, 0x03, 0x00, 0x00, 0x00}));

    TagAll(2);
    td7::LoadInstrumentFile(instruments, dumps, present);
    td7::LoadSystemFile(system, dumps, present);
    EXPECT_TRUE(present.InstrumentsPresent());
    EXPECT_TRUE(present.SystemPresent());
    for (int i : {0, 127, 128, 511})
        EXPECT_EQ(At(Block::Instrument, i), (Tag{Block::Instrument, i, 1}));
    EXPECT_EQ(At(Block::System, 0), (Tag{Block::System, 0, 1}));
    EXPECT_EQ(td7::InstrumentFileImage(dumps), instrumentBytes);
    EXPECT_EQ(td7::SystemFileImage(dumps), systemBytes);
}

TEST_F(DumpFilesTest, FilesOfTheWrongSizeAreRefusedAndChangeNothing) {
    TagAll(1);
    ClearModified();
    const Bytes before = Snapshot(dumps);
    int changes = 0;
    present.OnChange = [&](td7::TPresentFlags*) { ++changes; };

    struct Case {
        std::size_t size;
        std::function<void(const fs::path&)> load;
        const char* text;
    };
    const auto patch = [&](const fs::path& f) { td7::LoadPatchFile(f, dumps, present, 3); };
    const auto instruments = [&](const fs::path& f) { td7::LoadInstrumentFile(f, dumps, present); };
    const auto system = [&](const fs::path& f) { td7::LoadSystemFile(f, dumps, present); };
    const char* patchText = "Not a proper TD7 patch file (filesize differs)";
    const char* instrumentText = "Not a proper TD7 instruments file (filesize differs)";
    const char* systemText = "Not a proper TD7 system file (filesize differs)";
    const std::vector<Case> cases = {
        {0, patch, patchText},
        {1574, patch, patchText},
        {1576, patch, patchText},
        {16896, patch, patchText},
        {16895, instruments, instrumentText},
        {16897, instruments, instrumentText},
        {1575, instruments, instrumentText},
        {33, system, systemText},
        {35, system, systemText},
        {67374, system, systemText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.size));
        const fs::path file = dir / "wrong.syx";
        WriteAll(file, Bytes(c.size, 0x11));
        try {
            c.load(file);
            ADD_FAILURE() << "accepted";
        } catch (const td7::FileError& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
    }
    EXPECT_EQ(Snapshot(dumps), before);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(AnyModified());

    // Any content of the right size is taken as it stands.
    WriteAll(dir / "any.syx", Bytes(1575, 0x55));
    td7::LoadPatchFile(dir / "any.syx", dumps, present, 3);
    EXPECT_EQ(dumps.ProgDump.Records(3).Data()[0], 0x55);
    EXPECT_EQ(dumps.NotemapDump.Records(59 * 3 + 58).Data()[18], 0x55);
    EXPECT_TRUE(present.PatchPresent(3));
}

}  // namespace
}  // namespace filestest
