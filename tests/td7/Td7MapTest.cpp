// Record addresses, headers, requests and matching of the five TD-7 collections.

#include <gtest/gtest.h>

#include <vector>

#include "midilink/DeviceIds.h"
#include "midilink/Error.h"
#include "midilink/Templates.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"
#include "tests/support/RecordingLink.h"

namespace {

using td7::Block;
using Bytes = std::vector<std::uint8_t>;

class Td7MapTest : public ::testing::Test {
  protected:
    void SetUp() override {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, 0x10);
    }

    // The header of record i as the collection builds it for sending or matching.
    Bytes Header(Block block, int i) {
        midilink::TMidiDump& record = dumps.Of(block).Records(i);
        dumps.Of(block).PrepareRecord(i);
        return Bytes(record.Data(), record.Data() + td7::kHeaderSize);
    }

    // A data-set message that answers record i, with the given device ID and data byte.
    Bytes Answer(Block block, int i, int deviceId, std::uint8_t fill) {
        Bytes message(td7::InfoOf(block).Size, fill);
        message[0] = 0xF0;
        td7::WriteHeader(block, i, message.data());
        message[2] = static_cast<std::uint8_t>(deviceId);
        midilink::UpdateChecksum(message.data(), static_cast<int>(message.size()),
                                 midilink::ctRoland);
        message.back() = 0xF7;
        return message;
    }

    testsupport::RecordingLink link;
    std::vector<int> changes;
    td7::TTd7Collections dumps{&link,
                               [this](midilink::TDumpCollection*, int) { changes.push_back(0); },
                               [this](midilink::TDumpCollection*, int) { changes.push_back(1); }};
};

TEST_F(Td7MapTest, CollectionsHaveTheirShapeAndAreAttachedInOrder) {
    ASSERT_EQ(link.Dumps().size(), 5u);
    int total = 0;
    for (std::size_t k = 0; k < td7::kAllBlocks.size(); ++k) {
        midilink::TDumpCollection& dump = dumps.Of(td7::kAllBlocks[k]);
        EXPECT_EQ(link.Dumps()[k], &dump);
        EXPECT_EQ(dump.HeaderSize(), 9);
        EXPECT_EQ(dump.Checksum(), midilink::ctRoland);
        EXPECT_EQ(dump.Index(), 0);
        EXPECT_EQ(dump.Name(), td7::InfoOf(td7::kAllBlocks[k]).Name);
        total += dump.Count();
    }
    EXPECT_EQ(total, 3009);
    EXPECT_EQ(td7::PatchBytes(), 1575);
    EXPECT_EQ(td7::DataBytes(Block::System), 23);
    EXPECT_EQ(td7::DataBytes(Block::Instrument), 22);
}

TEST_F(Td7MapTest, EdgeRecordsCarryTheirAddresses) {
    const Bytes prefix = {0xF0, 0x41, 0x10, 0x58, 0x12};
    auto expect = [&](Block block, int i, Bytes address) {
        Bytes header = prefix;
        header.insert(header.end(), address.begin(), address.end());
        EXPECT_EQ(Header(block, i), header) << td7::InfoOf(block).Name << " " << i;
    };
    expect(Block::Trigger, td7::TriggerRecord(31, 17), {0x00, 0x1F, 0x12, 0x00});
    EXPECT_EQ(td7::TriggerRecord(31, 17), 575);
    expect(Block::Notemap, 1887, {0x00, 0x1F, 0x5D, 0x00});
    expect(Block::Notemap, td7::NotemapRecord(1, 0), {0x00, 0x01, 0x23, 0x00});
    expect(Block::Instrument, 128, {0x01, 0x01, 0x00, 0x00});
    expect(Block::Instrument, 511, {0x01, 0x03, 0x7F, 0x00});
    expect(Block::Prog, 31, {0x00, 0x1F, 0x00, 0x00});
    expect(Block::System, 0, {0x03, 0x00, 0x00, 0x00});
    EXPECT_THROW(td7::RecordAddress(Block::Notemap, 1888), midilink::Error);
}

TEST_F(Td7MapTest, EveryAddressLeadsBackToItsRecordAndNoOtherToAny) {
    for (Block block : td7::kAllBlocks)
        for (int i = 0; i < td7::InfoOf(block).Count; ++i)
            EXPECT_EQ(td7::RecordAtAddress(td7::AddressOf(block, i)), std::pair(block, i))
                << td7::InfoOf(block).Name << " " << i;
    for (td7::Address outside : {td7::Address{0x00, 0x20, 0x00, 0x00}, {0x00, 0x00, 0x13, 0x00},
                                 {0x00, 0x00, 0x5E, 0x00}, {0x01, 0x04, 0x00, 0x00},
                                 {0x03, 0x00, 0x01, 0x00}, {0x00, 0x00, 0x00, 0x01}})
        EXPECT_FALSE(td7::RecordAtAddress(outside));
}

TEST_F(Td7MapTest, MovedRecordIsSentToItsNewAddress) {
    dumps.ProgDump.Move(0, 6);
    dumps.ProgDump.SendRecord(6);
    const auto sent = link.LongMessages();
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].size(), 58u);
    EXPECT_EQ(sent[0][6], 0x06);
    EXPECT_EQ(sent[0][57], 0xF7);
}

TEST_F(Td7MapTest, DeviceIdChangeRebuildsHeadersAndOldIdNoLongerMatches) {
    const Bytes oldAnswer = Answer(Block::Notemap, 1887, 0x10, 0x05);
    midilink::SetDeviceId(0, 0);
    EXPECT_EQ(Header(Block::Instrument, 7)[2], 0x00);
    EXPECT_EQ(Header(Block::System, 0)[2], 0x00);

    changes.clear();
    EXPECT_FALSE(link.OfferSysex(oldAnswer.data(), static_cast<int>(oldAnswer.size())));
    EXPECT_EQ(dumps.NotemapDump.Records(1887).Data()[9], 0x00);
    EXPECT_TRUE(changes.empty());

    const Bytes newAnswer = Answer(Block::Notemap, 1887, 0x00, 0x05);
    EXPECT_TRUE(link.OfferSysex(newAnswer.data(), static_cast<int>(newAnswer.size())));
    EXPECT_EQ(dumps.NotemapDump.Records(1887).Data()[9], 0x05);
    EXPECT_EQ(dumps.NotemapDump.Records(1886).Data()[9], 0x00);
}

TEST_F(Td7MapTest, AnswerFillsOnlyItsRecordAndReportsThroughItsCollectionsEvent) {
    const Bytes answer = Answer(Block::Instrument, 511, 0x10, 0x22);
    changes.clear();
    EXPECT_TRUE(link.OfferSysex(answer.data(), static_cast<int>(answer.size())));
    EXPECT_EQ(dumps.InstrumentDump.Records(511).Data()[30], 0x22);
    EXPECT_EQ(dumps.InstrumentDump.Records(383).Data()[30], 0x00);
    EXPECT_EQ(changes, std::vector<int>{1});
    EXPECT_TRUE(dumps.InstrumentDump.Modified());
    EXPECT_FALSE(dumps.NotemapDump.Modified());
}

TEST_F(Td7MapTest, RequestsAskForExactlyOneRecordAtItsAddress) {
    struct Case {
        Block block;
        int record;
    };
    const Case cases[] = {{Block::System, 0},       {Block::Prog, 5},        {Block::Trigger, 575},
                          {Block::Trigger, 19},     {Block::Notemap, 1887},  {Block::Notemap, 59},
                          {Block::Instrument, 128}, {Block::Instrument, 511}};
    for (const Case& c : cases) {
        link.messages.clear();
        link.SendCommand(td7::RequestCommand(c.block, c.record), 0, midilink::ctRoland);
        const auto sent = link.LongMessages();
        ASSERT_EQ(sent.size(), 1u);
        const Bytes& m = sent[0];
        ASSERT_EQ(m.size(), 15u);
        const Bytes header = Header(c.block, c.record);
        EXPECT_EQ(Bytes(m.begin(), m.begin() + 4), Bytes(header.begin(), header.begin() + 4));
        EXPECT_EQ(m[4], 0x11);
        EXPECT_EQ(Bytes(m.begin() + 5, m.begin() + 9), Bytes(header.begin() + 5, header.end()))
            << td7::InfoOf(c.block).Name << " " << c.record;
        EXPECT_EQ(Bytes(m.begin() + 9, m.begin() + 13),
                  (Bytes{0, 0, 0, static_cast<std::uint8_t>(td7::DataBytes(c.block))}));
        EXPECT_EQ(m[13], midilink::RolandChecksum(m.data() + 5, 8));
    }
    // The worked example of a patch common request.
    link.messages.clear();
    link.SendCommand(td7::RequestCommand(Block::Prog, 5), 0, midilink::ctRoland);
    EXPECT_EQ(link.LongMessages()[0], (Bytes{0xF0, 0x41, 0x10, 0x58, 0x11, 0x00, 0x05, 0x00, 0x00,
                                             0x00, 0x00, 0x00, 0x2F, 0x4C, 0xF7}));
}

TEST(Td7PresentFlags, StartEmptyAndReportChanges) {
    td7::TPresentFlags flags;
    int told = 0;
    flags.OnChange = [&](td7::TPresentFlags*) { ++told; };
    EXPECT_FALSE(flags.PatchPresent(31));
    flags.SetPatchPresent(31, true);
    flags.SetInstrumentsPresent(true);
    EXPECT_TRUE(flags.PatchPresent(31));
    EXPECT_FALSE(flags.PatchPresent(30));
    EXPECT_FALSE(flags.SystemPresent());
    EXPECT_THROW(flags.SetPatchPresent(32, true), midilink::Error);
    flags.Clear();
    EXPECT_FALSE(flags.PatchPresent(31));
    EXPECT_FALSE(flags.InstrumentsPresent());
    EXPECT_EQ(told, 3);
}

}  // namespace
