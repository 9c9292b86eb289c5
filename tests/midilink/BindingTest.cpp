#include <gtest/gtest.h>

#include "Bytes.h"
#include "midilink/DeviceIds.h"
#include "midilink/DumpCollection.h"
#include "midilink/Error.h"
#include "midilink/MidiCom.h"
#include "tests/support/RecordingLink.h"

using namespace midilink;
using testsupport::RecordingLink;

namespace {

class BindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearDeviceIds();
        SetDeviceId(0, 0x10);
        dump.SetSize(33);
        dump.SetHeaderSize(9);
        dump.SetChecksum(ctRoland);
        dump.SetCount(2);
        dump.SetIndex(1);
        dump.OnChange = [this](TDumpCollection*, int i) { changes.push_back(i); };
        com.SetMidiDump(&dump);
        com.SetMidiLink(&link);
        com.SetChecksumType(ctRoland);
        com.SetDumpIndex(19);
        com.OnValue = [this](TValueMidiCom*, int v) { reported.push_back(v); };
    }
    void TearDown() override { ClearDeviceIds(); }

    std::vector<std::uint8_t> Stored(int n) {
        std::vector<std::uint8_t> out;
        for (int i = 0; i < n; ++i) out.push_back(dump.Current().Bytes(19 + i));
        return out;
    }
    int ReadBack() {
        reported.clear();
        com.UpdateFromDump();
        return reported.at(0);
    }

    RecordingLink link;
    TDumpCollection dump{"InstrumentDump"};
    TValueMidiCom com;
    std::vector<int> changes;
    std::vector<int> reported;
};

TEST_F(BindingTest, SignedValuesGoOutAsTheRecordHoldsThemAndReadBackInEitherForm) {
    // The instrument pitch: width 10, two 7-bit bytes; the message carries the record's
    // bytes.
    com.SetDumpMode(dm2Bytes);
    com.SetDataWidth(10);
    com.SetNegatives(true);
    com.SetMidiCommand("F041v058120100000Ad1d000F7");
    com.SetValue(-480);
    EXPECT_EQ(Stored(2), HexBytes("04 20"));
    EXPECT_EQ(link.LongMessages().at(0), HexBytes("F0 41 10 58 12 01 00 00 0A 04 20 51 F7"));
    EXPECT_EQ(ReadBack(), -480);
    com.SetValue(-5);
    EXPECT_EQ(Stored(2), HexBytes("07 7B"));
    EXPECT_EQ(link.LongMessages().at(1), HexBytes("F0 41 10 58 12 01 00 00 0A 07 7B 73 F7"));
    com.SetValue(480);
    EXPECT_EQ(ReadBack(), 480);
    // A module that stored a plain signed number (-1 as 7F 7F, -5 as 7F 7B) reads back the
    // same: the bits above the width carry nothing.
    dump.WriteByte(19, 0x7F);
    dump.WriteByte(20, 0x7F);
    EXPECT_EQ(ReadBack(), -1);
    dump.WriteByte(20, 0x7B);
    EXPECT_EQ(ReadBack(), -5);

    // Width 7, one byte: record and message agree.
    com.SetDumpMode(dm1Byte);
    com.SetDataWidth(7);
    com.SetMidiCommand("F041v0581200000028d000F7");
    com.SetValue(-5);
    EXPECT_EQ(Stored(1), HexBytes("7B"));
    EXPECT_EQ(link.LongMessages().back()[9], 0x7B);
    EXPECT_EQ(ReadBack(), -5);
    dump.WriteByte(19, 0x3F);
    EXPECT_EQ(ReadBack(), 63);
}

TEST_F(BindingTest, EveryDumpModeWritesAndReadsBack) {
    struct Case {
        TDumpMode mode;
        int value;
        const char* bytes;
    };
    const Case cases[] = {
        {dm1Byte, 200, "C8"},        {dm2Bytes, 300, "02 2C"},      {dm2BytesEx, 300, "2C 02"},
        {dm2Nibbles, 0xA7, "0A 07"}, {dm2NibblesEx, 0xA7, "07 0A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        com.SetDumpMode(c.mode);
        changes.clear();
        com.SetValue(c.value);
        const auto expected = HexBytes(c.bytes);
        EXPECT_EQ(Stored(static_cast<int>(expected.size())), expected);
        EXPECT_EQ(changes, std::vector<int>(expected.size(), 1));  // one OnChange per byte
        EXPECT_EQ(ReadBack(), c.value);
    }
    // The byte modes read back unmasked; the nibble modes mask.
    com.SetDumpMode(dm1Byte);
    dump.WriteByte(19, 0xFF);
    EXPECT_EQ(ReadBack(), 255);
    com.SetDumpMode(dm2Nibbles);
    dump.WriteByte(19, 0x1A);
    dump.WriteByte(20, 0x27);
    EXPECT_EQ(ReadBack(), 0xA7);
}

TEST_F(BindingTest, OffsetIsAddedOnStoreAndSendAndSubtractedOnRead) {
    com.SetOffset(-1);
    com.SetMidiCommand("F041v0581200000028d000F7");
    com.SetValue(1);
    EXPECT_EQ(Stored(1), HexBytes("00"));
    EXPECT_EQ(link.LongMessages().at(0)[9], 0x00);
    EXPECT_EQ(ReadBack(), 1);

    // Pan: -7..8 with Offset 7.
    com.SetOffset(7);
    com.SetValue(8);
    EXPECT_EQ(Stored(1), HexBytes("0F"));
}

TEST_F(BindingTest, WhatIsSentAndWhatIsStoredDependOnWhatIsSet) {
    // No template: the record changes, nothing is sent.
    com.SetValue(3);
    EXPECT_EQ(Stored(1), HexBytes("03"));
    EXPECT_TRUE(link.messages.empty());

    // No collection: only sent.
    com.SetMidiDump(nullptr);
    com.SetMidiCommand("C9d0");
    com.SetValue(4);
    EXPECT_EQ(link.messages.at(0).shortMessage, 0x04C9u);
    reported.clear();
    com.UpdateFromDump();
    EXPECT_TRUE(reported.empty());

    // A failing record write sends nothing.
    com.SetMidiDump(&dump);
    com.SetDumpIndex(33);
    link.messages.clear();
    EXPECT_THROW(com.SetValue(1), Error);
    EXPECT_TRUE(link.messages.empty());
    dump.SetIndex(-1);
    com.SetDumpIndex(19);
    try {
        com.SetValue(1);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Cannot write data to unindexed collection (InstrumentDump)");
    }
    EXPECT_TRUE(link.messages.empty());
}

TEST_F(BindingTest, RefreshesFollowAttachmentOrder) {
    std::vector<std::string> order;
    TValueMidiCom second;
    second.SetDumpIndex(9);
    second.SetMidiDump(&dump);
    com.OnValue = [&](TValueMidiCom*, int) { order.push_back("first"); };
    second.OnValue = [&](TValueMidiCom*, int) { order.push_back("second"); };
    dump.SetIndex(0);
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));

    // Attaching twice keeps one entry; moving to another collection leaves the first.
    second.SetMidiDump(&dump);
    EXPECT_EQ(dump.Coms().size(), 2u);
    TDumpCollection other("Other");
    second.SetMidiDump(&other);
    EXPECT_EQ(dump.Coms().size(), 1u);
    EXPECT_EQ(other.Coms().size(), 1u);
}

}  // namespace
