// Telling a file's kind, reading any kind into the mirror, and the setup image's layout as
// its one writer and its one reader agree on it.

#include <gtest/gtest.h>

#include "td7/files/DumpFiles.h"
#include "td7/files/FileKind.h"
#include "td7/files/SetupFile.h"
#include "tests/td7/FilesFixture.h"

namespace filestest {
namespace {

using td7::TFileKind;

TEST(FileKind, SetupsBySignatureOrExtensionDumpsBySizeWhateverTheirName) {
    EXPECT_EQ(td7::KindOfFile("/x/kit.TD7", 1575, false), TFileKind::Setup);
    EXPECT_EQ(td7::KindOfFile("/x/.td7", 0, false), TFileKind::Setup);
    // A signature makes a setup of a file of a dump's size and another extension.
    EXPECT_EQ(td7::KindOfFile("/x/kit.syx", 34, true), TFileKind::Setup);
    EXPECT_EQ(td7::KindOfFile("/x/p.bin", 1575, false), TFileKind::Patch);
    EXPECT_EQ(td7::KindOfFile("/x/i", 16896, false), TFileKind::Instruments);
    EXPECT_EQ(td7::KindOfFile("/x/s.syx", 34, false), TFileKind::System);
    EXPECT_EQ(td7::KindOfFile("/x/all.syx", 35, false), TFileKind::DataSets);
    EXPECT_EQ(td7::KindOfFile("/x/td7", 0, false), TFileKind::DataSets);

    Bytes image(td7::kSetupSignature.begin(), td7::kSetupSignature.end());
    EXPECT_EQ(td7::KindOfImage("/x/a.syx", image), TFileKind::Setup);
    image[9] = '1';  // "TD7Setup11"
    EXPECT_EQ(td7::KindOfImage("/x/a.syx", image), TFileKind::DataSets);
    image.resize(9);
    EXPECT_FALSE(td7::HasSetupSignature(image));
}

TEST(FileKind, SavedSlotIsTheCommonRecordsSlotByte) {
    Bytes patch = {0xF0, 0x41, 0x10, 0x58, 0x12, 0x00, 0x1F, 0x00};
    EXPECT_EQ(td7::SavedSlot(patch), 31);
    patch[6] = 0x20;
    EXPECT_EQ(td7::SavedSlot(patch), std::nullopt);
    EXPECT_EQ(td7::SavedSlot(Bytes(6, 0x00)), std::nullopt);
}

using AnyFileTest = FilesTest;

TEST_F(AnyFileTest, EachKindLoadsWithItsLoaderAndOtherFilesAreRefused) {
    TagAll(1);
    present.SetPatchPresent(1, true);
    present.SetSystemPresent(true);
    const fs::path setup = dir / "kit.td7";
    const fs::path patch = dir / "p.bin";
    const fs::path system = dir / "s";
    td7::ReplaceFile(setup, td7::BuildSetupImage(dumps, present));
    td7::SavePatchFile(patch, dumps, 4);
    td7::SaveSystemFile(system, dumps);

    Target target;
    td7::LoadAnyFile(setup, target.dumps, target.present);
    EXPECT_TRUE(target.present.PatchPresent(1));
    EXPECT_TRUE(target.present.SystemPresent());
    // The patch goes back to the slot it was saved from.
    td7::LoadAnyFile(patch, target.dumps, target.present);
    EXPECT_TRUE(target.present.PatchPresent(4));
    EXPECT_EQ(TagOf(target.dumps.ProgDump.Records(4)), (Tag{td7::Block::Prog, 4, 1}));

    const auto refusal = [&](const fs::path& path) {
        try {
            td7::LoadAnyFile(path, target.dumps, target.present);
        } catch (const td7::FileError& e) {
            return std::string(e.what());
        }
        return std::string("loaded");
    };
    WriteAll(dir / "odd.syx", Bytes(35, 0xF0));
    EXPECT_EQ(refusal(dir / "odd.syx"), td7::kNoFileKindError);
    WriteAll(dir / "bad.td7", Bytes(34, 0x00));
    EXPECT_EQ(refusal(dir / "bad.td7"), td7::kNotSetupFileError);
    // Larger than any setup: only the extension still names a kind.
    WriteAll(dir / "big.td7", Bytes(td7::MaxSetupBytes() + 1, 0x00));
    EXPECT_EQ(refusal(dir / "big.td7"), td7::kNotSetupFileError);
    WriteAll(dir / "big.syx", Bytes(td7::MaxSetupBytes() + 1, 0x00));
    EXPECT_EQ(refusal(dir / "big.syx"), td7::kNoFileKindError);
}

TEST(SetupImage, TheReaderFindsEachPartWhereTheWriterPutIt) {
    td7::TSetupParts parts;
    parts.Patches[2] = Bytes(1575, 0x22);
    parts.Patches[31] = Bytes(1575, 0x3F);
    parts.System = Bytes(34, 0x55);
    Bytes image = td7::SetupImage(parts);
    ASSERT_EQ(image.size(), td7::kSetupSignature.size() + 34 + 2 * 1575 + 34);

    const auto entries = td7::SetupEntries(image);
    ASSERT_EQ(entries.size(), 3u);
    const auto bytes = [&](const td7::TSetupEntry& entry) {
        return Bytes(image.begin() + static_cast<std::ptrdiff_t>(entry.At),
                     image.begin() + static_cast<std::ptrdiff_t>(entry.At + entry.Bytes()));
    };
    EXPECT_EQ(entries[0].Part, td7::TSetupPart::Patch);
    EXPECT_EQ(entries[0].Slot, 2);
    EXPECT_EQ(bytes(entries[0]), parts.Patches[2]);
    EXPECT_EQ(entries[1].Slot, 31);
    EXPECT_EQ(bytes(entries[1]), parts.Patches[31]);
    EXPECT_EQ(entries[2].Part, td7::TSetupPart::System);
    EXPECT_EQ(bytes(entries[2]), parts.System);

    // Earlier files end after the instrument entry.
    parts.System.clear();
    image = td7::SetupImage(parts);
    image.pop_back();
    EXPECT_EQ(td7::SetupEntries(image).size(), 2u);
}

}  // namespace
}  // namespace filestest
