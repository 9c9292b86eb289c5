#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "midilink/DeviceIds.h"
#include "midilink/MidiLink.h"
#include "simulator/Td7Module.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/Transfers.h"
#include "tests/support/ModuleLink.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using simulator::Td7Module;
using testsupport::CountingProgress;
using testsupport::FastWait;
using testsupport::ModuleLink;

class TransfersTest : public ::testing::Test {
  protected:
    TransfersTest() {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, 16);
        wait.transfers = &transfers;
    }
    ~TransfersTest() override { midilink::ClearDeviceIds(); }

    static Bytes RecordBytes(midilink::TDumpCollection& dump, int i) {
        const auto& r = dump.Records(i);
        return {r.Data(), r.Data() + r.Size()};
    }
    static Bytes Address(const Bytes& message) {
        return {message.begin() + 5, message.begin() + 9};
    }

    ModuleLink link;
    td7::TTd7Collections dumps{&link, nullptr, nullptr};
    td7::TPresentFlags present;
    FastWait wait{link};
    td7::TTransfers transfers{dumps, present, link, wait};
};

TEST_F(TransfersTest, RequestAllFillsEverySlotFromTheModule) {
    link.module.LoadRandom(7);
    const auto start = wait.now;
    transfers.RequestAllPatches();

    EXPECT_EQ(wait.now, start) << "no request may have waited for its time-out";
    EXPECT_EQ(link.sent.size(), 32u * 78u);
    EXPECT_EQ(transfers.ReceivedCount(), 32 * 78);
    for (int p = 0; p < 32; ++p) {
        ASSERT_TRUE(present.PatchPresent(p)) << p;
        EXPECT_EQ(RecordBytes(dumps.ProgDump, p), link.module.DataSetOf(Td7Module::CommonBlock(p)));
    }
    EXPECT_EQ(RecordBytes(dumps.TriggerDump, 18 * 31 + 17),
              link.module.DataSetOf(Td7Module::TriggerBlock(31, 17)));
    EXPECT_EQ(RecordBytes(dumps.NotemapDump, 59 * 20 + 58),
              link.module.DataSetOf(Td7Module::NoteMapBlock(20, 58)));
    EXPECT_TRUE(dumps.NotemapDump.Modified());
    EXPECT_FALSE(present.InstrumentsPresent());

    transfers.RequestInstruments();
    transfers.RequestSystem();
    EXPECT_EQ(transfers.ReceivedCount(), 1) << "each request counts its own dumps";
    EXPECT_TRUE(present.InstrumentsPresent());
    EXPECT_TRUE(present.SystemPresent());
    EXPECT_EQ(RecordBytes(dumps.InstrumentDump, 511),
              link.module.DataSetOf(Td7Module::InstrumentBlock(511)));
    EXPECT_EQ(RecordBytes(dumps.SystemDump, 0), link.module.DataSetOf(Td7Module::SystemBlock()));
}

TEST_F(TransfersTest, RequestsGoOneAtATimeInPatchOrder) {
    std::vector<std::size_t> sentWhenWaiting;
    wait.duringWait = [&] { sentWhenWaiting.push_back(link.sent.size()); };
    transfers.RequestPatch(4);

    ASSERT_EQ(link.sent.size(), 78u);
    EXPECT_EQ(Address(link.sent[0]), (Bytes{0x00, 0x04, 0x00, 0x00}));
    EXPECT_EQ(Address(link.sent[1]), (Bytes{0x00, 0x04, 0x01, 0x00}));
    EXPECT_EQ(Address(link.sent[18]), (Bytes{0x00, 0x04, 0x12, 0x00}));
    EXPECT_EQ(Address(link.sent[19]), (Bytes{0x00, 0x04, 35, 0x00}));
    EXPECT_EQ(Address(link.sent[77]), (Bytes{0x00, 0x04, 93, 0x00}));
    // The k-th wait happens while exactly k requests are out: no request before its answer.
    for (std::size_t k = 0; k < sentWhenWaiting.size(); ++k)
        EXPECT_EQ(sentWhenWaiting[k], k + 1) << k;
    EXPECT_TRUE(present.PatchPresent(4));
    EXPECT_FALSE(present.PatchPresent(3));
}

TEST_F(TransfersTest, AModuleWithAnotherDeviceIdTimesOutAfterOneSecond) {
    link.module.SetDeviceId(0x11);
    const auto start = wait.now;
    try {
        transfers.RequestPatch(3);
        FAIL() << "no time-out";
    } catch (const td7::TransferError& e) {
        EXPECT_STREQ(e.what(),
                     "The unit didn't respond to dump request F0 41 10 58 11 00 03 00 00 00 00 00 2F 4E F7");
    }
    // Strictly more than the time-out, and not a tick of the clock later than needed.
    EXPECT_EQ(wait.now - start, 1001ms);
    EXPECT_EQ(link.sent.size(), 1u);
    EXPECT_FALSE(present.PatchPresent(3));
    EXPECT_EQ(transfers.ReceivedCount(), 0);
    EXPECT_FALSE(transfers.Busy());

    // The stray answer still waiting matches nothing; the module's next one does.
    link.module.SetDeviceId(0x10);
    transfers.RequestAndWait(td7::Block::System, 0);
    EXPECT_EQ(transfers.ReceivedCount(), 1);
}

TEST_F(TransfersTest, ATimeOutPartWayKeepsWhatArrivedAndTheCompletePatchesBefore) {
    link.answersLeft = 78 + 5;
    EXPECT_THROW(transfers.RequestAllPatches(), td7::TransferError);
    EXPECT_TRUE(present.PatchPresent(0));
    EXPECT_FALSE(present.PatchPresent(1));
    EXPECT_EQ(link.sent.size(), 78u + 6u);
    EXPECT_EQ(transfers.ReceivedCount(), 78 + 5);

    link.answersLeft = 0;
    try {
        transfers.RequestInstruments();
    } catch (const td7::TransferError& e) {
        EXPECT_STREQ(e.what(),
                     "The unit didn't respond to dump request F0 41 10 58 11 01 00 00 00 00 00 00 16 69 F7");
    }
    EXPECT_FALSE(present.InstrumentsPresent());
}

TEST_F(TransfersTest, TransmitAllSendsThePresentSlotsAtThePace) {
    // Fill two slots with the module's patches, then send them to a blank module.
    link.module.LoadRandom(3);
    transfers.RequestPatch(2);
    transfers.RequestPatch(5);
    const Bytes patch2 = link.module.DataSetOf(Td7Module::NoteMapBlock(2, 58));
    link.module = Td7Module();
    link.sent.clear();

    CountingProgress progress;
    const auto start = wait.now;
    EXPECT_TRUE(transfers.TransmitAllPatches(progress));

    ASSERT_EQ(link.sent.size(), 156u);
    EXPECT_EQ(progress.steps, 156);
    EXPECT_EQ(wait.now - start, 156 * 100ms);
    EXPECT_EQ(Address(link.sent[0]), (Bytes{0x00, 0x02, 0x00, 0x00}));
    EXPECT_EQ(Address(link.sent[78]), (Bytes{0x00, 0x05, 0x00, 0x00}));
    EXPECT_EQ(Address(link.sent[155]), (Bytes{0x00, 0x05, 93, 0x00}));
    EXPECT_EQ(link.module.DataSetOf(Td7Module::NoteMapBlock(2, 58)), patch2);
    EXPECT_EQ(RecordBytes(dumps.ProgDump, 5), link.module.DataSetOf(Td7Module::CommonBlock(5)));
    EXPECT_NE(RecordBytes(dumps.ProgDump, 5), Td7Module().DataSetOf(Td7Module::CommonBlock(5)));
}

TEST_F(TransfersTest, TransmitAllWithoutPatchesSendsNothing) {
    CountingProgress progress;
    try {
        transfers.TransmitAllPatches(progress);
        FAIL() << "no error";
    } catch (const td7::TransferError& e) {
        EXPECT_STREQ(e.what(), "No patches to send");
    }
    EXPECT_TRUE(link.sent.empty());
    EXPECT_EQ(progress.steps, 0);
}

TEST_F(TransfersTest, CancelStopsAfterTheRecordBeingSent) {
    CountingProgress progress;
    progress.cancelAfter = 10;
    EXPECT_FALSE(transfers.TransmitInstruments(progress));
    EXPECT_EQ(link.sent.size(), 10u);
    EXPECT_FALSE(transfers.Busy());

    // A cancel during the pace ends the wait early as well.
    CountingProgress late;
    int waitsBefore = wait.waits;
    wait.duringWait = [&] { late.cancelAfter = 0; };
    link.sent.clear();
    EXPECT_FALSE(transfers.TransmitPatch(0, late));
    EXPECT_EQ(link.sent.size(), 1u);
    EXPECT_EQ(wait.waits, waitsBefore + 1);
}

TEST_F(TransfersTest, TransmitSystemSendsTheOneRecordAtOnce) {
    transfers.TransmitSystem();
    ASSERT_EQ(link.sent.size(), 1u);
    EXPECT_EQ(link.sent[0].size(), 34u);
    EXPECT_EQ(Address(link.sent[0]), (Bytes{0x03, 0x00, 0x00, 0x00}));
    EXPECT_EQ(wait.waits, 0);
}

TEST_F(TransfersTest, ASecondTransferIsRefusedWhileOneRuns) {
    std::vector<bool> busyChanges;
    transfers.OnBusyChange = [&](td7::TTransfers*, bool busy) { busyChanges.push_back(busy); };
    std::string refused;
    wait.duringWait = [&] {
        wait.duringWait = nullptr;
        try {
            transfers.RequestSystem();
        } catch (const td7::TransferError& e) {
            refused = e.what();
        }
    };
    transfers.RequestPatch(0);
    EXPECT_EQ(refused, "Another transfer is still running");
    EXPECT_EQ(busyChanges, (std::vector<bool>{true, false}));
    EXPECT_TRUE(present.PatchPresent(0));
    EXPECT_FALSE(present.SystemPresent());
}

TEST_F(TransfersTest, ReceivedDumpsAreCountedUntilATickWithoutOne) {
    std::vector<int> shown;
    transfers.OnDumpCounted = [&](td7::TTransfers*, int count) { shown.push_back(count); };
    transfers.HandleMidiInput(true);
    transfers.HandleMidiInput(false);
    transfers.HandleMidiInput(true);
    EXPECT_EQ(shown, (std::vector<int>{1, 2}));

    EXPECT_FALSE(transfers.StatusTick()) << "a dump arrived since the last tick";
    EXPECT_EQ(transfers.ReceivedCount(), 2);
    transfers.HandleMidiInput(true);
    EXPECT_FALSE(transfers.StatusTick());
    EXPECT_EQ(transfers.ReceivedCount(), 3);
    EXPECT_TRUE(transfers.StatusTick());
    EXPECT_EQ(transfers.ReceivedCount(), 0);
    transfers.HandleMidiInput(true);
    EXPECT_EQ(shown.back(), 1);
}

}  // namespace
