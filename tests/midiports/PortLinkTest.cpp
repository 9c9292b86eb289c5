#include <stdexcept>

#include "PortFixture.h"
#include "midilink/DumpCollection.h"
#include "midilink/MidiCompLink.h"

namespace porttest {
namespace {

using midilink::TDumpCollection;
using midilink::TMidiCompLink;

// Records of 12 bytes: F0, 41 10 58 12, address 01 <index> 00 00, one data byte, sum, F7.
void MakePatchLike(TDumpCollection& dump, std::uint8_t area) {
    dump.SetSize(12);
    dump.SetHeaderSize(9);
    dump.SetCount(2);
    dump.OnPrepare = [area](TDumpCollection*, int index, std::uint8_t* buffer, int) {
        const std::uint8_t header[] = {
            0x41, 0x10, 0x58, 0x12, area, static_cast<std::uint8_t>(index), 0x00, 0x00};
        std::copy(std::begin(header), std::end(header), buffer + 1);
    };
}

Bytes DataSet(std::uint8_t area, std::uint8_t index, std::uint8_t value) {
    return Sysex({0x41, 0x10, 0x58, 0x12, area, index, 0x00, 0x00, value, 0x00});
}

class PortLinkFixture : public ::testing::Test {
  protected:
    testsupport::FakeMidiService fake{{"In A"}, {"Out A"}};
    midiports::ManualPortWindow inWindow;
    midiports::ManualPortWindow outWindow;
    std::unique_ptr<midiports::TMidiInput> input =
        std::make_unique<midiports::TMidiInput>(fake, inWindow);
    std::unique_ptr<midiports::TMidiOutput> output =
        std::make_unique<midiports::TMidiOutput>(fake, outWindow);
    TMidiCompLink link;
    TDumpCollection patches{"Patches"};
    std::vector<bool> reports;

    void SetUp() override {
        MakePatchLike(patches, 0x01);
        patches.SetMidiLink(&link);
        link.SetMidiIn(input.get());
        link.SetMidiOut(output.get());
        link.OnMidiInput = [this](TMidiCompLink* sender, bool resolved) {
            EXPECT_EQ(sender, &link);
            reports.push_back(resolved);
        };
        input->SetSysexOnly(true);
        input->Open();
        input->Start();
        ASSERT_TRUE(output->Open());
    }

    void Receive(const std::vector<Bytes>& messages) {
        OnServiceThread([&] {
            for (const Bytes& m : messages) fake.Inject(0, m);
        });
    }
};

TEST_F(PortLinkFixture, OneCallHandlesEveryWaitingEvent) {
    Receive({DataSet(0x01, 1, 0x33), DataSet(0x01, 0, 0x44), DataSet(0x05, 0, 0x55)});
    int calls = 0;
    auto drain = input->OnMidiInput;
    input->OnMidiInput = [&](midiports::TMidiInput* sender) {
        ++calls;
        drain(sender);
    };
    inWindow.Pump();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(reports, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(patches.Records(1).Bytes(9), 0x33);
    EXPECT_EQ(patches.Records(0).Bytes(9), 0x44);
    EXPECT_EQ(input->PendingCount(), 0);
}

TEST_F(PortLinkFixture, AMessageNoRecordTakesChangesNothing) {
    Receive({DataSet(0x02, 0, 0x10), Sysex({0x7E, 0x7F})});
    inWindow.Pump();
    EXPECT_EQ(reports, (std::vector<bool>{false, false}));
    EXPECT_FALSE(patches.Modified());
    EXPECT_EQ(patches.Records(0).Bytes(9), 0x00);
}

TEST_F(PortLinkFixture, AMessageForTwoCollectionsFillsBothAndIsReportedOnce) {
    TDumpCollection copy{"Copy"};
    MakePatchLike(copy, 0x01);
    copy.SetMidiLink(&link);
    Receive({DataSet(0x01, 1, 0x21)});
    inWindow.Pump();
    EXPECT_EQ(reports, std::vector<bool>{true});
    EXPECT_EQ(patches.Records(1).Bytes(9), 0x21);
    EXPECT_EQ(copy.Records(1).Bytes(9), 0x21);
    EXPECT_TRUE(copy.Modified());
}

TEST_F(PortLinkFixture, AFailingReportEndsTheCallAndTheRestIsHandledOnTheNextTurn) {
    Receive({DataSet(0x01, 0, 0x01), DataSet(0x01, 1, 0x02)});
    link.OnMidiInput = [](TMidiCompLink*, bool) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(inWindow.Pump(), std::runtime_error);
    EXPECT_EQ(input->PendingCount(), 1);
    EXPECT_EQ(patches.Records(0).Bytes(9), 0x01);
    // No new message arrives: the port's own note brings the waiting one in.
    link.OnMidiInput = nullptr;
    EXPECT_EQ(inWindow.Pump(), 1);
    EXPECT_EQ(input->PendingCount(), 0);
    EXPECT_EQ(patches.Records(1).Bytes(9), 0x02);
}

TEST_F(PortLinkFixture, TheSysexHooksSeeEachMessageBeforeTheCollectionsAndOnlyWhatIsSent) {
    // In: each system-exclusive message, before any collection has taken it.
    std::vector<Bytes> seenIn;
    link.OnSysexIn = [&](TMidiCompLink* sender, const std::uint8_t* data, int size) {
        EXPECT_EQ(sender, &link);
        EXPECT_EQ(reports.size(), seenIn.size());
        if (seenIn.empty()) {
            EXPECT_EQ(patches.Records(0).Bytes(9), 0x00);
        }
        seenIn.emplace_back(data, data + size);
    };
    const Bytes first = DataSet(0x01, 0, 0x44);
    const Bytes foreign = Sysex({0x7E, 0x7F});
    Receive({first, foreign});
    inWindow.Pump();
    EXPECT_EQ(seenIn, (std::vector<Bytes>{first, foreign}));
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));

    // Out: long messages that reach an open port; short ones are no system exclusive.
    std::vector<Bytes> seenOut;
    link.OnSysexOut = [&](TMidiCompLink* sender, const std::uint8_t* data, int size) {
        EXPECT_EQ(sender, &link);
        EXPECT_EQ(fake.SentTo(0).size(), 1u);  // the short message only: not sent yet
        seenOut.emplace_back(data, data + size);
    };
    link.SendCommand("C9d0", 3, midilink::ctNone);
    patches.SendRecord(1);
    ASSERT_EQ(seenOut.size(), 1u);
    ASSERT_EQ(fake.SentTo(0).size(), 2u);
    EXPECT_EQ(seenOut[0], fake.SentTo(0)[1].bytes);
    output->Close();
    patches.SendRecord(1);
    EXPECT_EQ(seenOut.size(), 1u);
}

TEST_F(PortLinkFixture, MessagesGoToTheOutputOnlyWhileItIsOpen) {
    link.SendCommand("C9d0", 3, midilink::ctNone);
    link.SendCommand("F041100058110100000000000001F7", 0, midilink::ctRoland);
    ASSERT_EQ(fake.SentTo(0).size(), 2u);
    EXPECT_EQ(fake.SentTo(0)[0].bytes, (Bytes{0xC9, 0x03}));
    EXPECT_TRUE(fake.SentTo(0)[1].isLong);

    output->Close();
    EXPECT_NO_THROW(link.SendCommand("C9d0", 4, midilink::ctNone));
    EXPECT_NO_THROW(patches.SendRecord(0));
    EXPECT_EQ(fake.SentTo(0).size(), 2u);
}

TEST_F(PortLinkFixture, OutputErrorsReachTheSenderOfBlocksOnly) {
    fake.FailAlways(Call::OutLongMsg, midiports::result::kNotReady);
    fake.FailAlways(Call::OutShortMsg, midiports::result::kNotReady);
    EXPECT_THROW(patches.SendRecord(0), midiports::EmidioutputError);
    EXPECT_NO_THROW(link.SendCommand("C9d0", 4, midilink::ctNone));
}

TEST_F(PortLinkFixture, ADestroyedPortIsForgotten) {
    output.reset();
    EXPECT_EQ(link.MidiOut(), nullptr);
    EXPECT_NO_THROW(patches.SendRecord(0));
    EXPECT_NO_THROW(link.PutShort(0x3C9));

    Receive({DataSet(0x01, 0, 0x01)});
    input.reset();
    EXPECT_EQ(link.MidiIn(), nullptr);
    inWindow.Pump();
    EXPECT_TRUE(reports.empty());
}

TEST_F(PortLinkFixture, ALinkThatGoesFirstDetachesFromItsPorts) {
    {
        TMidiCompLink shortLived;
        shortLived.SetMidiIn(input.get());
        shortLived.SetMidiOut(output.get());
    }
    EXPECT_FALSE(input->OnMidiInput);
    Receive({DataSet(0x01, 0, 0x01)});
    EXPECT_NO_THROW(inWindow.Pump());
    EXPECT_NO_THROW(output.reset());
}

}  // namespace
}  // namespace porttest
