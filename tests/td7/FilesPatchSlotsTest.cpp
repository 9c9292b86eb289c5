// Move To and Exchange With: every record and present flag ends up in its slot.

#include <gtest/gtest.h>

#include "td7/history/PatchSlots.h"
#include "tests/td7/FilesFixture.h"

namespace filestest {
namespace {

using td7::Block;

class PatchSlotsTest : public FilesTest {
  protected:
    // Slot `slot` holds, in order, the 78 records that slot `from` had at the start.
    void ExpectSlotHolds(int slot, int from) {
        SCOPED_TRACE("slot " + std::to_string(slot) + " from " + std::to_string(from));
        EXPECT_EQ(At(Block::Prog, slot), (Tag{Block::Prog, from, 1}));
        for (int t = 0; t < 18; ++t)
            EXPECT_EQ(At(Block::Trigger, 18 * slot + t), (Tag{Block::Trigger, 18 * from + t, 1}));
        for (int n = 0; n < 59; ++n)
            EXPECT_EQ(At(Block::Notemap, 59 * slot + n), (Tag{Block::Notemap, 59 * from + n, 1}));
    }

    void SetFlags(std::initializer_list<int> slots) {
        for (int p : slots) present.SetPatchPresent(p, true);
    }

    std::vector<int> PresentSlots() {
        std::vector<int> slots;
        for (int p = 0; p < td7::kPatchCount; ++p)
            if (present.PatchPresent(p)) slots.push_back(p);
        return slots;
    }
};

TEST_F(PatchSlotsTest, MoveSlotOneToSlotThreeShiftsTheSlotsBetween) {
    TagAll(1);
    SetFlags({0, 2, 9});
    ClearModified();
    td7::MovePatch(dumps, present, 0, 2);

    ExpectSlotHolds(2, 0);
    ExpectSlotHolds(0, 1);
    ExpectSlotHolds(1, 2);
    for (int p = 3; p < td7::kPatchCount; ++p) ExpectSlotHolds(p, p);
    EXPECT_EQ(PresentSlots(), (std::vector<int>{1, 2, 9}));
    EXPECT_TRUE(AnyModified());

    // The moved common block goes out with the address of its new slot.
    dumps.ProgDump.SendRecord(2);
    EXPECT_EQ(link.LongMessages().at(0)[6], 0x02);
}

TEST_F(PatchSlotsTest, MoveBackwardsFromTheLastSlotToTheFirst) {
    TagAll(1);
    SetFlags({31, 5});
    td7::MovePatch(dumps, present, 31, 0);

    ExpectSlotHolds(0, 31);
    for (int p = 1; p < td7::kPatchCount; ++p) ExpectSlotHolds(p, p - 1);
    EXPECT_EQ(PresentSlots(), (std::vector<int>{0, 6}));
}

TEST_F(PatchSlotsTest, ExchangeSwapsRecordsAndFlagsOfTwoSlots) {
    TagAll(1);
    SetFlags({3});
    td7::ExchangePatch(dumps, present, 3, 19);

    ExpectSlotHolds(19, 3);
    ExpectSlotHolds(3, 19);
    for (int p : {0, 2, 4, 18, 20, 31}) ExpectSlotHolds(p, p);
    EXPECT_EQ(PresentSlots(), (std::vector<int>{19}));
}

TEST_F(PatchSlotsTest, SameSlotOrSlotOutsideChangesNothing) {
    TagAll(1);
    SetFlags({4});
    ClearModified();
    const Bytes before = Snapshot(dumps);
    td7::MovePatch(dumps, present, 4, 4);
    td7::ExchangePatch(dumps, present, 4, 4);
    EXPECT_THROW(td7::MovePatch(dumps, present, 4, 32), midilink::Error);
    EXPECT_THROW(td7::ExchangePatch(dumps, present, -1, 4), midilink::Error);
    EXPECT_EQ(Snapshot(dumps), before);
    EXPECT_EQ(PresentSlots(), (std::vector<int>{4}));
    EXPECT_FALSE(AnyModified());
}

}  // namespace
}  // namespace filestest
