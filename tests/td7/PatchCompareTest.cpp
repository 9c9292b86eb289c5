// Comparing the current patch with another slot or a patch file: the rows, their texts and
// places, and the files that cannot be compared.

#include <gtest/gtest.h>

#include <string>

#include "td7/files/DumpFiles.h"
#include "td7/map/ParameterTable.h"
#include "td7/history/PatchCompare.h"
#include "td7/map/Td7Decode.h"
#include "tests/td7/FilesFixture.h"

namespace filestest {
namespace {

using td7::TCompareRow;

class PatchCompareTest : public FilesTest {
  protected:
    static constexpr int kThis = 2, kOther = 5;

    // Three parameters of slot 6 differ from slot 3: the effect type on the common record,
    // a trigger's choke box, a note's first sound.
    void MakeThreeDifferences() {
        dumps.ProgDump.Records(kOther).Data()[23] = 1;
        dumps.TriggerDump.Records(td7::TriggerRecord(kOther, 3)).Data()[18] = 1;
        dumps.NotemapDump.Records(td7::NotemapRecord(kOther, 1)).Data()[13] = 2;
        // Instruments 1 and 3 name their sound items.
        for (const auto& [i, name] : {std::pair{0, std::string("Kick K")}, {2, "SnareS"}})
            std::copy(name.begin(), name.end(),
                      dumps.InstrumentDump.Records(i).Data() + td7::kHeaderSize);
    }
    td7::TShownStyle Style() {
        return {
            .ListTexts = true, .Instruments = &dumps.InstrumentDump, .InstrumentsPresent = true};
    }
    std::vector<TCompareRow> Compare(const td7::TPatchRecords& other) {
        return td7::ComparePatches(kThis, td7::SlotRecords(dumps, kThis), other, Style());
    }
    static std::string Row(const TCompareRow& row) {
        return row.Group + " | " + row.Label + " | " + row.ThisText + " | " + row.OtherText;
    }
};

TEST_F(PatchCompareTest, ThreeDifferingParametersGiveExactlyThreeRowsFromASlotOrItsFile) {
    MakeThreeDifferences();
    const std::vector<std::string> expected = {
        "Effect 1 | Effect 1 Type | Hall | Room",
        "R2: Snare Rim | Trigger Choke | Off | On",
        "36 C 2 | Sound 1 | 001: Kick .K | 003: Snare.S",
    };
    const auto check = [&](const std::vector<TCompareRow>& rows) {
        ASSERT_EQ(rows.size(), 3u);
        for (std::size_t k = 0; k < rows.size(); ++k) EXPECT_EQ(Row(rows[k]), expected[k]);
        EXPECT_EQ(rows[0].Parameter, td7::FindParameter("Effect1Type"));
        EXPECT_EQ(rows[0].Record, kThis);
        EXPECT_EQ(rows[0].OtherValue, 1);
        EXPECT_EQ(rows[1].Parameter, td7::FindParameter("txChoke"));
        EXPECT_EQ(rows[1].Record, td7::TriggerRecord(kThis, 3));
        EXPECT_EQ(rows[2].Parameter, td7::FindParameter("Sound1"));
        EXPECT_EQ(rows[2].Record, td7::NotemapRecord(kThis, 1));
        EXPECT_EQ(rows[2].OtherValue, 2);
    };
    check(Compare(td7::SlotRecords(dumps, kOther)));

    // The same patch as a file: its headers name slot 6, which does not count.
    const fs::path file = dir / "other.syx";
    td7::SavePatchFile(file, dumps, kOther);
    const std::vector<std::uint8_t> image = td7::ReadPatchFile(file);
    check(Compare(td7::ImageRecords(image)));

    // Without instrument names the sounds are numbered as the sound boxes number them.
    const auto plain = td7::ComparePatches(kThis, td7::SlotRecords(dumps, kThis),
                                           td7::SlotRecords(dumps, kOther), {});
    EXPECT_EQ(Row(plain[2]), "36 C 2 | Sound 1 | 0 | 2");
    EXPECT_EQ(td7::DifferenceCount(plain.size()), "3 differences");
    EXPECT_EQ(td7::DifferenceCount(1), "1 difference");
    EXPECT_EQ(td7::DifferenceCount(0), "No differences");
    EXPECT_TRUE(Compare(td7::SlotRecords(dumps, kThis)).empty());
}

TEST_F(PatchCompareTest, TheNameIsShownFirstButHasNoParameterToTake) {
    const std::string name = "Funk! ";
    std::copy(name.begin(), name.end(), dumps.ProgDump.Records(kOther).Data() + 11);
    dumps.ProgDump.Records(kOther).Data()[49] = 3;  // the pedal's control mode
    const auto rows = Compare(td7::SlotRecords(dumps, kOther));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Parameter, nullptr);
    EXPECT_EQ(rows[0].OtherText, "\"Funk! \"");
    EXPECT_EQ(Row(rows[1]), "Hihat Pedal | Ctrl Mode | Off | Decay+N") << "captions lose colons";
}

TEST_F(PatchCompareTest, AFileOfTheWrongSizeIsRefusedWithThePatchLoadText) {
    const fs::path file = dir / "short.syx";
    for (const std::size_t size : {std::size_t{1574}, std::size_t{1576}, std::size_t{0}}) {
        WriteAll(file, Bytes(size, 0xF0));
        try {
            td7::ReadPatchFile(file);
            ADD_FAILURE() << size << " bytes were taken";
        } catch (const td7::FileError& e) {
            EXPECT_STREQ(e.what(), td7::kPatchFileSizeError);
        }
    }
    EXPECT_THROW(td7::ReadPatchFile(dir / "missing.syx"), td7::FileError);
}

}  // namespace
}  // namespace filestest
