// Records that a file held damaged: marked as they are read, saved as they were read, still
// marked after their patch has moved, and no longer once other bytes replace them.

#include <gtest/gtest.h>

#include "td7/transfers/DamagedRecords.h"
#include "td7/files/DumpFiles.h"
#include "td7/history/PatchSlots.h"
#include "td7/files/SetupFile.h"
#include "td7/transfers/Transfers.h"
#include "tests/td7/FilesFixture.h"

namespace filestest {
namespace {

using td7::Block;
using td7::TRecordRef;

class DamageTest : public FilesTest {
  protected:
    std::vector<std::pair<TRecordRef, std::string>> Damaged() {
        std::vector<std::pair<TRecordRef, std::string>> found;
        for (const auto& d : td7::DamagedAmong(dumps, td7::PresentPatchRecords(present)))
            found.emplace_back(d.Record, d.Fault);
        return found;
    }
};

TEST_F(DamageTest, AMarkFollowsTheRecordUntilOtherBytesReplaceIt) {
    TagAll(1);
    present.SetPatchPresent(0, true);
    present.SetPatchPresent(2, true);
    Bytes image = td7::BuildSetupImage(dumps, present);
    // Slot 1's note-40 entry with a flipped data byte; slot 3's common block another maker's.
    const std::size_t note40 = 10 + 1 + 58 + 18 * 22 + 5 * 19;
    image[note40 + td7::kHeaderSize + 5] ^= 0x01;
    const std::size_t common3 = 10 + 1 + 1 + 1575 + 1;
    image[common3 + 1] = 0x43;
    char checksum[48];
    std::snprintf(checksum, sizeof checksum, "checksum %02X, should be %02X", image[note40 + 17],
                  midilink::RolandChecksum(image.data() + note40 + 5, 12));

    td7::LoadSetupImage(image, dumps, present);
    const TRecordRef note{Block::Notemap, td7::NotemapRecord(0, 5)};
    const TRecordRef common{Block::Prog, 2};
    using Found = std::vector<std::pair<TRecordRef, std::string>>;
    EXPECT_EQ(Damaged(), (Found{{note, checksum}, {common, "not a TD-7 data-set message"}}));

    // Saving keeps them as they were read, so the damage stays visible to every later
    // reader; the mark stays.
    EXPECT_EQ(td7::BuildSetupImage(dumps, present), image);
    EXPECT_EQ(td7::SetupDamagedRecords(dumps, present), 2);
    EXPECT_EQ(Damaged().size(), 2u);
    try {
        td7::RefuseDamagedRecords(dumps, td7::PatchRecords(0));
        ADD_FAILURE() << "sent a damaged record";
    } catch (const td7::TransferError& error) {
        EXPECT_EQ(error.what(), "Nothing was sent: 1 damaged record: patch 1 note 40 E 2 (" +
                                    std::string(checksum) + ")");
    }

    // Slot 1 moved to slot 6, which takes slot 3 to slot 2: the damage goes with them.
    td7::MovePatch(dumps, present, 0, 5);
    const TRecordRef moved{Block::Notemap, td7::NotemapRecord(5, 5)};
    const TRecordRef shifted{Block::Prog, 1};
    EXPECT_EQ(Damaged(), (Found{{shifted, "not a TD-7 data-set message"}, {moved, checksum}}));

    // The module's answer for slot 2's common block replaces it.
    midilink::TDumpCollection& prog = dumps.Of(Block::Prog);
    prog.PrepareRecord(1);
    Bytes answer(prog.Records(1).Data(), prog.Records(1).Data() + prog.Records(1).Size());
    answer[td7::kHeaderSize + 8] ^= 0x01;
    answer[answer.size() - 2] =
        midilink::RolandChecksum(answer.data() + 5, static_cast<int>(answer.size()) - 7);
    ASSERT_TRUE(prog.MatchMessage(answer.data(), static_cast<int>(answer.size())));
    // A sound patch read into slot 6 replaces the rest.
    td7::InitializePatch(dumps, present, 5, td7::PatchFileImage(dumps, 3));
    EXPECT_EQ(Damaged(), Found{});
}

}  // namespace
}  // namespace filestest
