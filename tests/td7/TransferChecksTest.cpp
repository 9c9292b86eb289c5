#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "midilink/DeviceIds.h"
#include "td7/map/PresentFlags.h"
#include "td7/transfers/ReadBack.h"
#include "td7/history/RecordDifferences.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/Transfers.h"
#include "tests/support/ModuleLink.h"

namespace {

using td7::Block;
using td7::TRecordRef;
using testsupport::Bytes;
using testsupport::Td7Module;

class PhaseProgress : public testsupport::CountingProgress {
  public:
    void BeginPhase(td7::TTransferPhase phase, int range) override {
        phases.emplace_back(phase, range);
    }
    std::vector<std::pair<td7::TTransferPhase, int>> phases;
};

class TransferChecks : public ::testing::Test {
  protected:
    TransferChecks() {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, 16);
        wait.transfers = &transfers;
        // The mirror holds patches 1 and 2 as the module has them.
        link.module.LoadRandom(3);
        transfers.RequestPatch(0);
        transfers.RequestPatch(1);
        for (Block block : td7::kAllBlocks) dumps.Of(block).SetModified(false);
        link.sent.clear();
    }
    ~TransferChecks() override { midilink::ClearDeviceIds(); }

    void Change(const TRecordRef& r) {
        dumps.Of(r.Kind).Records(r.Index).Data()[td7::kHeaderSize] ^= 1;
    }
    std::vector<Bytes> Mirror() {
        std::vector<Bytes> all;
        for (Block block : td7::kAllBlocks)
            for (int i = 0; i < dumps.Of(block).Count(); ++i) {
                const auto& r = dumps.Of(block).Records(i);
                all.emplace_back(r.Data() + td7::kHeaderSize, r.Data() + r.Size() - 2);
            }
        return all;
    }
    bool ModuleHoldsMirror(const std::vector<TRecordRef>& records) {
        for (const auto& r : records) {
            const auto block = r.Kind == Block::Prog ? Td7Module::CommonBlock(r.Index)
                               : r.Kind == Block::Trigger
                                   ? Td7Module::TriggerBlock(r.Index / 18, r.Index % 18)
                                   : Td7Module::NoteMapBlock(r.Index / 59, r.Index % 59);
            if (!td7::SameData(r.Kind, link.module.DataSetOf(block).data(),
                               dumps.Of(r.Kind).Records(r.Index).Data()))
                return false;
        }
        return true;
    }
    bool AnyModified() {
        for (Block block : td7::kAllBlocks)
            if (dumps.Of(block).Modified()) return true;
        return false;
    }

    testsupport::ModuleLink link;
    td7::TTd7Collections dumps{&link, nullptr, nullptr};
    td7::TPresentFlags present;
    testsupport::FastWait wait{link};
    td7::TTransfers transfers{dumps, present, link, wait};
    PhaseProgress progress;
};

TEST_F(TransferChecks, VerifyResendsWhatALossyModuleDroppedAndNeverWritesTheMirror) {
    link.module = Td7Module();
    link.module.SetDropEvery(7);
    const auto mirror = Mirror();
    const auto records = td7::PresentPatchRecords(present);
    ASSERT_TRUE(transfers.TransmitAllPatches(progress));
    ASSERT_EQ(link.module.DataSetsDropped(), 22);
    ASSERT_FALSE(ModuleHoldsMirror(records));

    const td7::TVerifyReport report = transfers.Verify(records, progress);

    EXPECT_TRUE(report.Ok()) << report.Text();
    EXPECT_EQ(report.Text(), "All 156 dumps verified");
    EXPECT_TRUE(ModuleHoldsMirror(records));
    EXPECT_EQ(Mirror(), mirror) << "the module's old data reached the mirror";
    EXPECT_FALSE(AnyModified());
    EXPECT_EQ(progress.phases.back(), std::make_pair(td7::TTransferPhase::Verify, 156));
    EXPECT_EQ(progress.steps, 156 + 156) << "sent, then checked; re-sends do not count";
    // The collections are back on the link, in their order: a request stores again.
    ASSERT_EQ(link.Dumps().size(), 5u);
    EXPECT_EQ(link.Dumps()[1], &dumps.ProgDump);
    transfers.RequestSystem();
    EXPECT_TRUE(dumps.SystemDump.Modified());
}

TEST_F(TransferChecks, WhatStillDiffersOrWasNeverReadIsReportedByName) {
    // Answers under another device ID count when their data are equal; three records the
    // module never takes stay different through both rounds.
    link.answerDeviceId = 5;
    link.module.SetDropEvery(1);
    const std::vector<TRecordRef> changed = {
        {Block::Prog, 0}, {Block::Trigger, 1}, {Block::Notemap, 59 + 3}};
    for (const auto& r : changed) Change(r);
    const auto mirror = Mirror();
    const auto records = td7::PresentPatchRecords(present);

    td7::TVerifyReport report = transfers.Verify(records, progress);
    EXPECT_EQ(report.Failed, changed);
    EXPECT_EQ(report.Text(),
              "3 dumps could not be verified: patch 1 common, patch 1 trigger R1: Kick Rim, "
              "patch 2 note 38 D 2");
    EXPECT_EQ(link.module.DataSetsDropped(), 6) << "two rounds of three";
    EXPECT_EQ(Mirror(), mirror);

    // A module that stops answering: its time-out text, and every record from there on.
    link.module.SetDropEvery(0);
    link.answersLeft = 10;
    report = transfers.Verify(td7::PatchRecords(1), progress);
    EXPECT_EQ(report.Timeout,
              "The unit didn't respond to dump request F0 41 10 58 11 00 01 0A 00 00 00 00 0B 6A F7");
    ASSERT_EQ(report.Failed.size(), 68u);
    EXPECT_EQ(report.Failed.front(), (TRecordRef{Block::Trigger, 18 + 9}));
    EXPECT_EQ(report.Text().rfind(report.Timeout + "\n68 dumps could not be verified: patch 2 "
                                                   "trigger R5: Tom 2 Rim, "
                                                   "patch 2 trigger T6: Tom 3, ",
                                  0),
              0u)
        << report.Text();
    EXPECT_NE(report.Text().find(", patch 2 note 45 A 2 and 48 more"), std::string::npos);
    EXPECT_EQ(Mirror(), mirror);
    EXPECT_FALSE(AnyModified());
    EXPECT_FALSE(transfers.Busy());
}

TEST_F(TransferChecks, TransmitDifferencesSendsOnlyTheRecordsThatDiffer) {
    const std::vector<TRecordRef> changed = {{Block::Notemap, 58}, {Block::Trigger, 18 + 17}};
    for (const auto& r : changed) Change(r);
    const auto mirror = Mirror();
    const auto records = td7::PresentPatchRecords(present);

    const auto sent = transfers.TransmitDifferences(records, progress);

    ASSERT_TRUE(sent);
    EXPECT_EQ(*sent, changed);
    EXPECT_EQ(link.module.DataSetsStored(), 2);
    EXPECT_TRUE(ModuleHoldsMirror(records));
    EXPECT_EQ(Mirror(), mirror);
    EXPECT_EQ(progress.phases,
              (std::vector<std::pair<td7::TTransferPhase, int>>{{td7::TTransferPhase::Read, 156},
                                                                {td7::TTransferPhase::Send, 2}}));

    // Cancelled while reading: nothing is sent. A time-out stops it as it stops a request.
    Change({Block::Prog, 1});
    PhaseProgress cancelled;
    cancelled.cancelAfter = 5;
    EXPECT_FALSE(transfers.TransmitDifferences(records, cancelled));
    EXPECT_EQ(link.module.DataSetsStored(), 2);
    link.answersLeft = 0;
    EXPECT_THROW(transfers.TransmitDifferences(records, progress), td7::TransferError);
    EXPECT_EQ(link.module.DataSetsStored(), 2);
}

TEST_F(TransferChecks, LateAnswersToAReadBackNeverReachTheMirror) {
    // The user's edit, which the module does not have yet.
    const TRecordRef edited{Block::Prog, 0};
    Change(edited);
    const auto mirror = Mirror();
    const auto deliverLate = [&] {
        wait.holdAnswers = false;
        while (!link.pending.empty()) wait.WaitUntil([] { return false; }, wait.now);
    };

    // Each checked transfer gives up on a slow module; its answer arrives afterwards.
    wait.holdAnswers = true;
    EXPECT_THROW(transfers.TransmitDifferences(td7::PatchRecords(0), progress),
                 td7::TransferError);
    deliverLate();
    EXPECT_EQ(Mirror(), mirror) << "the module's old bytes overwrote the user's";
    wait.holdAnswers = true;
    EXPECT_FALSE(transfers.Verify({edited}, progress).Ok());
    wait.holdAnswers = true;
    EXPECT_FALSE(transfers.ReadBack(td7::PatchRecords(1), progress).Timeout.empty());
    deliverLate();
    EXPECT_EQ(Mirror(), mirror);
    EXPECT_FALSE(AnyModified());

    // A re-send transmits the user's bytes; a request of the record stores the module's.
    link.sent.clear();
    ASSERT_TRUE(transfers.TransmitPatch(0, progress));
    EXPECT_TRUE(ModuleHoldsMirror({edited}));
    link.module.LoadRandom(4);
    transfers.RequestPatch(0);
    EXPECT_TRUE(ModuleHoldsMirror(td7::PatchRecords(0)));
    EXPECT_NE(Mirror(), mirror);
}

}  // namespace

namespace {

TEST(RecordDifferences, NameParametersByTheirHintsAndValuesAsTheControlsShowThem) {
    td7::TTd7Collections module(nullptr, nullptr, nullptr), file(nullptr, nullptr, nullptr);
    auto& a = module.TriggerDump.Records(3);
    auto& b = file.TriggerDump.Records(3);
    a.Data()[10] = 3;  // gate time
    b.Data()[10] = 5;
    a.Data()[12] = 0;  // velocity curve
    b.Data()[12] = 1;
    EXPECT_EQ(td7::DescribeDifferences(Block::Trigger, a, b),
              (std::vector<std::string>{"Gate Time: module 0.3s, file 0.5s",
                                        "Trigger Velocity Curve: module Norm1, file Norm2"}));
    EXPECT_TRUE(td7::DescribeDifferences(Block::Trigger, a, a).empty());

    // The names and the pedal's controls are called as the windows call them.
    auto& c = file.ProgDump.Records(0);
    const std::string name = "Funk! ";
    std::copy(name.begin(), name.end(), c.Data() + td7::kHeaderSize + 2);
    c.Data()[49] = 3;  // the pedal's control mode
    const auto lines = td7::DescribeDifferences(Block::Prog, module.ProgDump.Records(0), c);
    ASSERT_EQ(lines.size(), 2u) << "the name bytes are told once";
    EXPECT_EQ(lines[0].rfind("Patch Name: module \"", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(", file \"Funk! \""), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], "Ctrl Mode: module Off, file Decay+N");

    // An instrument pitch of -1 in the two forms a module may hold (7F 7F and 07 7F) reads
    // alike, as the knob reads it; the bits above its width are still a difference.
    auto& d = module.InstrumentDump.Records(7);
    auto& e = file.InstrumentDump.Records(7);
    std::copy_n("Kick K", 6, d.Data() + td7::kHeaderSize);
    std::copy_n("Kick S", 6, e.Data() + td7::kHeaderSize);
    d.Data()[19] = 0x7F;
    d.Data()[20] = 0x7F;
    e.Data()[19] = 0x00;
    e.Data()[20] = 0x05;
    EXPECT_EQ(td7::DescribeDifferences(Block::Instrument, d, e),
              (std::vector<std::string>{"Instrument Name: module \"Kick .K\", file \"Kick .S\"",
                                        "Intrument Pitch: module -10, file 50"}));
    e.Data()[19] = 0x07;
    e.Data()[20] = 0x7F;
    std::copy_n("Kick K", 6, e.Data() + td7::kHeaderSize);
    EXPECT_EQ(td7::DescribeDifferences(Block::Instrument, d, e),
              (std::vector<std::string>{"data byte 10: module 127, file 7"}));
}

}  // namespace
