// The setup file: its exact bytes, loading it back, and refusing anything that is not one.

#include <gtest/gtest.h>

#include <string>

#include "td7/files/DumpFiles.h"
#include "td7/files/SetupFile.h"
#include "tests/td7/FilesFixture.h"

namespace filestest {
namespace {

using td7::Block;

// A data-set message built here from the address and data, independently of the writer.
Bytes Message(std::uint8_t a2, std::uint8_t a3, const Bytes& data) {
    Bytes m = {0xF0, 0x41, 0x10, 0x58, 0x12, 0x00, a2, a3, 0x00};
    m.insert(m.end(), data.begin(), data.end());
    m.push_back(midilink::RolandChecksum(m.data() + 5, static_cast<int>(m.size()) - 5));
    m.push_back(0xF7);
    return m;
}

Bytes TagData(Block block, int index, int dataBytes) {
    Bytes data(dataBytes, 0);
    data[0] = static_cast<std::uint8_t>(block);
    data[1] = static_cast<std::uint8_t>(index >> 7);
    data[2] = static_cast<std::uint8_t>(index & 0x7F);
    data[3] = 1;
    return data;
}

class SetupFileTest : public FilesTest {
  protected:
    Bytes Image() { return td7::BuildSetupImage(dumps, present); }
};

TEST_F(SetupFileTest, OnlySlotThreePresentGivesThe1619ByteFile) {
    TagAll(1);
    present.SetPatchPresent(2, true);

    Bytes expected(td7::kSetupSignature.begin(), td7::kSetupSignature.end());
    expected.insert(expected.end(), {0x00, 0x00, 0x01});
    const auto append = [&](const Bytes& m) {
        expected.insert(expected.end(), m.begin(), m.end());
    };
    append(Message(2, 0, TagData(Block::Prog, 2, 47)));
    for (int t = 0; t < 18; ++t)
        append(Message(2, static_cast<std::uint8_t>(t + 1), TagData(Block::Trigger, 36 + t, 11)));
    for (int n = 0; n < 59; ++n)
        append(Message(2, static_cast<std::uint8_t>(35 + n), TagData(Block::Notemap, 118 + n, 8)));
    expected.insert(expected.end(), 29, 0x00);
    expected.insert(expected.end(), {0x00, 0x00});
    ASSERT_EQ(expected.size(), 1619u);

    td7::TSetupFile setup(dumps, present);
    const fs::path file = dir / "slot3.td7";
    setup.SaveSetupAs(file);
    EXPECT_EQ(ReadAll(file), expected);
    EXPECT_EQ(setup.FileName(), file.string());
    EXPECT_EQ(setup.CaptionName(), "slot3.td7");
}

TEST_F(SetupFileTest, FullSetupRoundTripsEveryRecordAndState) {
    TagAll(1);
    for (int p = 0; p < td7::kPatchCount; p += 3) present.SetPatchPresent(p, true);
    present.SetInstrumentsPresent(true);
    present.SetSystemPresent(true);
    const fs::path file = dir / "Kit.TD7";
    td7::TSetupFile(dumps, present).SaveTo(file);
    const Bytes image = ReadAll(file);
    EXPECT_EQ(image.size(), 10 + 11 * 1576 + 21 * 1 + 16897 + 35u);

    Target target;
    for (int p = 0; p < td7::kPatchCount; ++p) target.present.SetPatchPresent(p, p % 2 == 1);
    td7::TSetupFile setup(target.dumps, target.present);
    int nameChanges = 0;
    setup.OnFileNameChange = [&](td7::TSetupFile*) { ++nameChanges; };
    EXPECT_EQ(setup.CaptionName(), "Untitled.td7");
    setup.Load(file);
    EXPECT_FALSE(setup.Modified());
    EXPECT_EQ(setup.FileName(), file.string());
    EXPECT_EQ(setup.CaptionName(), "Kit.TD7");
    EXPECT_EQ(nameChanges, 1);

    for (int p = 0; p < td7::kPatchCount; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(target.present.PatchPresent(p), p % 3 == 0);
        if (p % 3 != 0) continue;
        EXPECT_EQ(TagOf(target.dumps.ProgDump.Records(p)), (Tag{Block::Prog, p, 1}));
        EXPECT_EQ(TagOf(target.dumps.TriggerDump.Records(18 * p + 17)),
                  (Tag{Block::Trigger, 18 * p + 17, 1}));
        EXPECT_EQ(TagOf(target.dumps.NotemapDump.Records(59 * p + 58)),
                  (Tag{Block::Notemap, 59 * p + 58, 1}));
    }
    EXPECT_TRUE(target.present.InstrumentsPresent());
    EXPECT_TRUE(target.present.SystemPresent());
    EXPECT_EQ(TagOf(target.dumps.InstrumentDump.Records(511)), (Tag{Block::Instrument, 511, 1}));
    EXPECT_EQ(TagOf(target.dumps.SystemDump.Records(0)), (Tag{Block::System, 0, 1}));
    // Saving what was loaded gives the same file again.
    EXPECT_EQ(td7::BuildSetupImage(target.dumps, target.present), image);
}

TEST_F(SetupFileTest, SetupWithoutSystemEntryKeepsTheSystemState) {
    TagAll(1);
    present.SetPatchPresent(2, true);
    Bytes image = Image();
    image.pop_back();  // an earlier file: it ends after the instrument entry
    ASSERT_EQ(image.size(), 1618u);

    for (bool systemBefore : {false, true}) {
        SCOPED_TRACE(systemBefore);
        Target target;
        target.present.SetSystemPresent(systemBefore);
        target.present.SetInstrumentsPresent(true);
        target.present.SetPatchPresent(5, true);
        PutTag(target.dumps.SystemDump.Records(0), Block::System, 0, 9);
        td7::LoadSetupImage(image, target.dumps, target.present);
        EXPECT_EQ(target.present.SystemPresent(), systemBefore);
        EXPECT_EQ(TagOf(target.dumps.SystemDump.Records(0)), (Tag{Block::System, 0, 9}));
        EXPECT_FALSE(target.present.InstrumentsPresent());
        EXPECT_FALSE(target.present.PatchPresent(5));
        EXPECT_TRUE(target.present.PatchPresent(2));
    }

    // An absent system entry written as 00 does not clear it either.
    image.push_back(0x00);
    Target target;
    target.present.SetSystemPresent(true);
    td7::LoadSetupImage(image, target.dumps, target.present);
    EXPECT_TRUE(target.present.SystemPresent());
}

// Every damaged or foreign file is refused as a whole, before any record or state changes.
TEST_F(SetupFileTest, RefusesAnythingButACompleteSetup) {
    TagAll(1);
    present.SetPatchPresent(2, true);
    present.SetInstrumentsPresent(true);
    present.SetSystemPresent(true);
    const Bytes good = Image();
    const std::size_t slotEntry = 12;  // flag of slot 3
    const std::size_t instrumentFlag = 10 + 31 + 1576;
    const std::size_t systemFlag = instrumentFlag + 16897;
    ASSERT_EQ(good.size(), systemFlag + 35);

    const auto cut = [&](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
    const auto with = [&](std::size_t pos, std::uint8_t value) {
        Bytes bad = good;
        bad[pos] = value;
        return bad;
    };
    Bytes trailing = good;
    trailing.push_back(0x00);
    Bytes tooLarge(td7::MaxSetupBytes() + 1, 0x00);
    std::copy(td7::kSetupSignature.begin(), td7::kSetupSignature.end(), tooLarge.begin());

    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"empty", {}},
        {"signature only", cut(10)},
        {"lower-case signature", with(0, 't')},
        {"other version", with(9, '1')},
        {"ends inside a patch", cut(slotEntry + 1 + 1000)},
        {"ends before the instrument flag", cut(instrumentFlag)},
        {"ends inside the instruments", cut(instrumentFlag + 100)},
        {"ends inside the system entry", cut(systemFlag + 20)},
        {"ends after the system flag", cut(systemFlag + 1)},
        {"trailing byte", trailing},
        {"patch flag 02", with(slotEntry, 0x02)},
        {"empty-slot flag FF", with(10, 0xFF)},
        {"instrument flag 81", with(instrumentFlag, 0x81)},
        {"system flag 10", with(systemFlag, 0x10)},
        {"larger than any setup", tooLarge},
    };

    Target target;
    for (int p = 0; p < td7::kPatchCount; ++p) {
        PutTag(target.dumps.ProgDump.Records(p), Block::Prog, p, 5);
        target.present.SetPatchPresent(p, p % 2 == 0);
    }
    td7::TSetupFile setup(target.dumps, target.present);
    setup.SetFileName("/old/setup.td7");
    setup.SetModified(false);
    target.present.SetSystemPresent(true);
    const Bytes before = Snapshot(target.dumps);
    int changes = 0;
    target.present.OnChange = [&](td7::TPresentFlags*) { ++changes; };

    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const fs::path file = dir / "bad.td7";
        WriteAll(file, bytes);
        try {
            setup.Load(file);
            ADD_FAILURE() << "accepted";
        } catch (const td7::FileError& e) {
            EXPECT_STREQ(e.what(), "Not a TD7 setup file...");
        }
        EXPECT_EQ(changes, 0);
        EXPECT_FALSE(setup.Modified());
        EXPECT_EQ(setup.FileName(), "/old/setup.td7");
    }
    EXPECT_EQ(Snapshot(target.dumps), before);

    const fs::path gone = dir / "gone.td7";
    try {
        setup.Load(gone);
        ADD_FAILURE() << "loaded a missing file";
    } catch (const td7::FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + gone.string() + "\". No such file or directory");
    }
    EXPECT_EQ(setup.FileName(), "/old/setup.td7");
}

TEST_F(SetupFileTest, SaveSetupNeedsTheTd7ExtensionInAnyCase) {
    for (const char* name : {"a.td7", "a.TD7", "a.Td7", "x.syx.td7", ".td7"})
        EXPECT_TRUE(td7::HasSetupExtension(name)) << name;
    for (const char* name : {"a.syx", "a.td7.bak", "td7", "a.td", "a.td77", "dir.td7/a"})
        EXPECT_FALSE(td7::HasSetupExtension(name)) << name;

    present.SetPatchPresent(0, true);
    dumps.ProgDump.SetModified(true);
    td7::TSetupFile setup(dumps, present);
    try {
        setup.SaveSetupAs(dir / "kit.syx");
        FAIL() << "saved under another extension";
    } catch (const td7::FileError& e) {
        EXPECT_STREQ(e.what(), "Other extension than \".td7\" not allowed");
    }
    EXPECT_FALSE(fs::exists(dir / "kit.syx"));
    EXPECT_TRUE(setup.FileName().empty());
    EXPECT_TRUE(setup.Modified());

    setup.SaveSetupAs(dir / "KIT.TD7");
    EXPECT_TRUE(fs::exists(dir / "KIT.TD7"));
    EXPECT_FALSE(setup.Modified());
    EXPECT_EQ(setup.FileName(), (dir / "KIT.TD7").string());
}

TEST_F(SetupFileTest, StartupTakesAnExistingTd7ArgumentElseTheLastSetup) {
    const fs::path arg = dir / "Arg.TD7";
    const fs::path last = dir / "last.td7";
    WriteAll(arg, {});
    WriteAll(last, {});
    const std::string missing = (dir / "missing.td7").string();
    using Args = std::vector<std::string>;

    auto choice = td7::ChooseStartupSetup(Args{arg.string()}, last.string());
    EXPECT_EQ(choice.FileName, arg.string());
    EXPECT_EQ(choice.Error, "");

    choice = td7::ChooseStartupSetup(Args{missing}, last.string());
    EXPECT_EQ(choice.FileName, last.string());
    EXPECT_EQ(choice.Error, "File " + missing + " not found.");

    const std::string syx = (dir / "Arg.syx").string();
    WriteAll(syx, {});
    choice = td7::ChooseStartupSetup(Args{syx}, last.string());
    EXPECT_EQ(choice.FileName, last.string());
    EXPECT_EQ(choice.Error, "");

    choice = td7::ChooseStartupSetup(Args{}, (dir / "deleted.td7").string());
    EXPECT_EQ(choice.FileName, "");
    EXPECT_EQ(choice.Error, "");
}

}  // namespace
}  // namespace filestest
