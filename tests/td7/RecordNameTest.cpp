// The one name a record goes by in reports and refusals: the windows' trigger-list entry and
// note-map line, in the patch its slot gives it.

#include <gtest/gtest.h>

#include "td7/map/RecordName.h"

namespace {

using td7::Block;

TEST(RecordName, NamesEachRecordAsTheWindowsDo) {
    EXPECT_EQ(td7::RecordName(Block::System, 0), "system");
    EXPECT_EQ(td7::RecordName(Block::Prog, 0), "patch 1 common");
    EXPECT_EQ(td7::RecordName(Block::Prog, 31), "patch 32 common");
    // Record 3 of a patch's triggers is the third entry of the trigger list.
    EXPECT_EQ(td7::RecordName(Block::Trigger, td7::TriggerRecord(2, 2)),
              "patch 3 trigger T2: Snare");
    EXPECT_EQ(td7::RecordName(Block::Trigger, td7::TriggerRecord(31, 17)),
              "patch 32 trigger R9: Crash Rim");
    EXPECT_EQ(td7::RecordName(Block::Notemap, td7::NotemapRecord(0, 0)), "patch 1 note 35 B 1");
    EXPECT_EQ(td7::RecordName(Block::Notemap, td7::NotemapRecord(4, 2)), "patch 5 note 37 C#2");
    EXPECT_EQ(td7::RecordName(Block::Notemap, td7::NotemapRecord(31, 58)), "patch 32 note 93 A 6");
    EXPECT_EQ(td7::RecordName(Block::Instrument, 0), "instrument 1");
    EXPECT_EQ(td7::RecordName(Block::Instrument, 511), "instrument 512");
}

TEST(RecordName, InAPatchOfNoSlotTheSlotIsLeftOut) {
    EXPECT_EQ(td7::RecordNameInPatch(Block::Prog, 7), "common");
    // Whether counted in the patch or in the whole collection, the entry is the same.
    EXPECT_EQ(td7::RecordNameInPatch(Block::Trigger, 4), "trigger T3: Hihat");
    EXPECT_EQ(td7::RecordNameInPatch(Block::Trigger, td7::TriggerRecord(6, 4)),
              "trigger T3: Hihat");
    EXPECT_EQ(td7::RecordNameInPatch(Block::Notemap, td7::NotemapRecord(6, 5)), "note 40 E 2");
    EXPECT_EQ(td7::RecordNameInPatch(Block::Instrument, 11), "instrument 12");
    EXPECT_EQ(td7::RecordNameInPatch(Block::System, 0), "system");
}

}  // namespace
