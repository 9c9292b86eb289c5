#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "midilink/DeviceIds.h"
#include "td7/transfers/PaceController.h"
#include "td7/map/PresentFlags.h"
#include "td7/transfers/ReadBack.h"
#include "td7/map/RecordName.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/Transfers.h"
#include "tests/support/ModuleLink.h"

namespace {

using namespace std::chrono_literals;
using td7::Block;
using td7::TPaceController;
using td7::TRecordRef;
using testsupport::Td7Module;
using Clock = td7::TTransferWait::Clock;

// A module that needs time: busy for `store` after each data set it keeps, dropping those
// that come meanwhile, and on top of that deaf to data sets in bursts or after a count.
// Requests may be lost too. Time is the test's clock.
class StoringLink : public testsupport::ModuleLink {
  public:
    void PutLong(const std::uint8_t* buffer, int length) override {
        const Clock::time_point now = *clock;
        if (buffer[4] == 0x12) {
            ++dataSets;
            const bool inBurst =
                burstEvery > 0s && (now - Clock::time_point{}) % burstEvery < burstFor;
            const bool deaf = dataSets > dropAfter && dataSets <= dropAfter + dropFor;
            if (now < busyUntil || inBurst || deaf) {
                sent.emplace_back(buffer, buffer + length);
                ++dropped;
                return;
            }
            busyUntil = now + store;
        } else if (++requests == loseRequest || (loseFrom > 0 && requests >= loseFrom)) {
            sent.emplace_back(buffer, buffer + length);
            return;
        }
        ModuleLink::PutLong(buffer, length);
    }

    Clock::time_point* clock = nullptr;
    Clock::duration store{};
    Clock::duration burstEvery{};
    Clock::duration burstFor{};
    int dropAfter = 1 << 30;
    int dropFor = 0;
    int loseRequest = 0;  // the n-th request (1-based) goes unanswered
    int loseFrom = 0;     // every request from the n-th on
    int dataSets = 0;
    int requests = 0;
    int dropped = 0;
    Clock::time_point busyUntil{};
};

class FastCounting : public testsupport::CountingProgress {
  public:
    void FastCounts(int s, int v, int pace) override {
        sent = s;
        verified = v;
        paceMs = pace;
    }
    int sent = 0, verified = 0, paceMs = 0;
};

class FastTransfers : public ::testing::Test {
  protected:
    FastTransfers() {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, 16);
        wait.transfers = &transfers;
        link.clock = &wait.now;
        link.module.LoadRandom(4);
        transfers.RequestAllPatches();
        link.module = Td7Module();
        link.sent.clear();
        link.requests = 0;
        transfers.SetFast(true);
    }
    ~FastTransfers() override { midilink::ClearDeviceIds(); }

    bool ModuleHolds(const TRecordRef& r) {
        const auto block = r.Kind == Block::Prog ? Td7Module::CommonBlock(r.Index)
                           : r.Kind == Block::Trigger
                               ? Td7Module::TriggerBlock(r.Index / 18, r.Index % 18)
                               : Td7Module::NoteMapBlock(r.Index / 59, r.Index % 59);
        return td7::SameData(r.Kind, link.module.DataSetOf(block).data(),
                             dumps.Of(r.Kind).Records(r.Index).Data());
    }
    int Held(const std::vector<TRecordRef>& records) {
        int held = 0;
        for (const auto& r : records) held += ModuleHolds(r) ? 1 : 0;
        return held;
    }

    StoringLink link;
    td7::TTd7Collections dumps{&link, nullptr, nullptr};
    td7::TPresentFlags present;
    testsupport::FastWait wait{link};
    td7::TTransfers transfers{dumps, present, link, wait};
    FastCounting progress;
};

TEST(PaceController, StartsAtTheWireTimeAndLearnsWithinItsBounds) {
    TPaceController pace;
    // A 19-byte note-map record: 6.08 ms on the wire, plus the small start gap.
    EXPECT_EQ(pace.Pause(19), 6080us + 1ms);
    EXPECT_EQ(pace.PaceMs(19), 7);
    pace.Checked(16, 3);
    EXPECT_EQ(pace.Gap(), 3500us) << "half as long again, and a step so that a gap near 0 grows";
    pace.Checked(16, 0);
    EXPECT_EQ(pace.Gap(), 3ms);
    EXPECT_EQ(pace.Learned(), 3500us) << "what the module kept up with is kept";
    pace.Checked(0, 0);
    EXPECT_EQ(pace.Gap(), 3ms) << "nothing checked, nothing learned";
    for (int k = 0; k < 20; ++k) pace.Checked(16, 0);
    EXPECT_EQ(pace.Pause(19), 6080us) << "never below the wire time";
    for (int k = 0; k < 20; ++k) pace.Checked(16, 16);
    EXPECT_EQ(pace.Pause(19), 100ms) << "never above the normal pace";
    EXPECT_EQ(TPaceController(-5ms).Gap(), 0us);
    EXPECT_EQ(TPaceController(7ms).Learned(), 7ms) << "nothing dropped: the gap as it is";
}

TEST(PaceController, IsRememberedPerDeviceName) {
    const auto ini = std::filesystem::temp_directory_path() /
                     ("tamboro-pace-" + std::to_string(::getpid()) + ".ini");
    std::filesystem::remove(ini);
    EXPECT_EQ(td7::LoadLearnedGap(ini.string(), "UM-ONE"), TPaceController::kStartGap);
    td7::SaveLearnedGap(ini.string(), "UM-ONE", 23ms);
    td7::SaveLearnedGap(ini.string(), "Port [2]=A", 40ms);
    EXPECT_EQ(td7::LoadLearnedGap(ini.string(), "UM-ONE"), 23ms);
    EXPECT_EQ(td7::LoadLearnedGap(ini.string(), "Port [2]=A"), 40ms);
    EXPECT_EQ(td7::LoadLearnedGap(ini.string(), "MIDISPORT"), TPaceController::kStartGap)
        << "one device's pace is not another's";
    std::filesystem::remove(ini);
}

TEST_F(FastTransfers, AModuleThatNeedsTimeGetsEveryRecordAtALearnedPace) {
    link.store = 20ms;
    const auto records = td7::PresentPatchRecords(present);
    const auto start = wait.now;

    const td7::TVerifyReport report = transfers.TransmitFast(records, progress);

    EXPECT_TRUE(report.Ok()) << report.Text();
    EXPECT_EQ(report.Text(), "All 2496 dumps verified");
    EXPECT_EQ(Held(records), 2496);
    EXPECT_GT(link.dropped, 0);
    EXPECT_EQ(report.Resent, link.dropped) << "each dropped record sent again";
    EXPECT_EQ(progress.steps, 2496) << "the bar counts each record once";
    EXPECT_EQ(progress.sent, 2496 + report.Resent);
    EXPECT_EQ(progress.verified, 2496);
    // Settled near what the module needs, far below the normal pace.
    EXPECT_GE(transfers.Pace().Gap(), 14ms);
    EXPECT_LE(transfers.Pace().Gap(), 45ms);
    EXPECT_LT(wait.now - start, 2496 * 40ms);
    EXPECT_EQ(progress.paceMs, transfers.Pace().PaceMs(19));

    // A module that stores at once: nothing dropped, and the pace shrinks to the wire.
    link.store = 0ms;
    link.dropped = 0;
    transfers.Pace() = TPaceController();
    EXPECT_TRUE(transfers.TransmitFast(td7::PatchRecords(3), progress).Ok());
    EXPECT_EQ(link.dropped, 0);
    EXPECT_EQ(transfers.Pace().Gap(), 0ms);
}

TEST_F(FastTransfers, BurstsAndALongDeafSpellAreSentAgainUntilVerified) {
    // Busy for 500 ms every 3 s, and deaf to data sets 1001..1100.
    link.burstEvery = 3s;
    link.burstFor = 500ms;
    link.dropAfter = 1000;
    link.dropFor = 100;
    const auto records = td7::PresentPatchRecords(present);
    const td7::TVerifyReport report = transfers.TransmitFast(records, progress);
    EXPECT_TRUE(report.Ok()) << report.Text();
    EXPECT_EQ(Held(records), 2496);
    EXPECT_GE(report.Resent, 100);

    // A record the module never takes is named after its last try.
    link.dropAfter = 0;
    link.dropFor = 1 << 30;
    link.burstEvery = {};
    dumps.TriggerDump.Records(5).Data()[td7::kHeaderSize] ^= 1;
    const td7::TVerifyReport lost = transfers.TransmitFast({{Block::Trigger, 5}}, progress);
    EXPECT_EQ(lost.Text(), "1 dump could not be verified: " + td7::RecordName(Block::Trigger, 5));
    EXPECT_EQ(lost.Failed, (std::vector<TRecordRef>{{Block::Trigger, 5}}));
    EXPECT_EQ(lost.Resent, td7::TTransfers::kFastSends - 1);
}

TEST_F(FastTransfers, CancelNamesWhatIsNotVerifiedAndAVanishedDeviceStopsIt) {
    const auto records = td7::PatchRecords(0);
    progress.cancelAfter = 40;
    const td7::TVerifyReport report = transfers.TransmitFast(records, progress);
    EXPECT_TRUE(report.Cancelled);
    EXPECT_EQ(progress.verified, 32) << "two rounds of 16 read back before the cancel";
    ASSERT_EQ(report.Failed.size(), 78u - 32u);
    EXPECT_EQ(report.Failed.front(), records[32]);
    EXPECT_EQ(report.Text().rfind("46 dumps could not be verified: ", 0), 0u) << report.Text();
    EXPECT_EQ(Held({records.begin(), records.begin() + 32}), 32);

    progress = {};
    int asked = 0;
    transfers.Devices = [&asked] {
        if (++asked <= 20) return td7::TDeviceState{};
        return td7::TDeviceState{true, false, "The midi output device is no longer available"};
    };
    try {
        transfers.TransmitFast(records, progress);
        FAIL() << "sent on into a device that was gone";
    } catch (const td7::TransferError& error) {
        EXPECT_STREQ(error.what(), "The midi output device is no longer available");
    }
    EXPECT_FALSE(transfers.Busy());
}

TEST_F(FastTransfers, RequestsKeepAWindowAndAskAMissingAnswerOnce) {
    link.module.LoadRandom(9);
    dumps.ProgDump.Records(0).Data()[td7::kHeaderSize] ^= 1;
    int waitingMost = 0;
    wait.duringWait = [&] {
        waitingMost = std::max(waitingMost, static_cast<int>(link.pending.size()));
    };
    link.loseRequest = 5;  // the answer to trigger 4 of patch 1 never comes
    transfers.RequestPatch(0);

    EXPECT_EQ(waitingMost, 2) << "two requests on their way at once";
    EXPECT_TRUE(present.PatchPresent(0));
    EXPECT_EQ(td7::SameData(Block::Trigger, dumps.TriggerDump.Records(3).Data(),
                            link.module.DataSetOf(Td7Module::TriggerBlock(0, 3)).data()),
              true);
    EXPECT_TRUE(td7::SameData(Block::Prog, dumps.ProgDump.Records(0).Data(),
                              link.module.DataSetOf(Td7Module::CommonBlock(0)).data()));
    ASSERT_EQ(link.sent.size(), 79u) << "78 requests and one asked again";
    EXPECT_EQ(link.sent[4], link.sent[6]) << "asked again as soon as the next one overtook it";
    EXPECT_EQ(wait.now, Clock::time_point{}) << "no time-out waited for";

    // Asked twice without an answer: the request's time-out text, and the slot not present.
    link.loseFrom = link.requests + 3;
    try {
        transfers.RequestPatch(1);
        FAIL() << "a module that stopped answering went unnoticed";
    } catch (const td7::TransferError& error) {
        EXPECT_STREQ(error.what(), ("The unit didn't respond to dump request " +
                                    td7::RequestBytes({Block::Trigger, 18 + 1}))
                                       .c_str());
    }
    EXPECT_EQ(wait.now - Clock::time_point{}, 2002ms) << "each asking waited its time-out";
}

}  // namespace
