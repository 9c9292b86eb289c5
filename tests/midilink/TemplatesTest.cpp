#include <gtest/gtest.h>

#include "Bytes.h"
#include "midilink/DeviceIds.h"
#include "midilink/Error.h"
#include "midilink/Templates.h"
#include "tests/support/RecordingLink.h"

using namespace midilink;
using testsupport::RecordingLink;

namespace {

class TemplateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearDeviceIds();
        SetDeviceId(0, 0x10);
    }
    void TearDown() override { ClearDeviceIds(); }

    std::string ErrorOf(const std::string& command, int value = 0) {
        try {
            link.SendCommand(command, value, ctRoland);
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }

    RecordingLink link;
};

struct Worked {
    const char* tmpl;
    int value;
    const char* expanded;
    const char* sent;
};

TEST_F(TemplateTest, WorkedExamplesExpandAndSendByteForByte) {
    const Worked examples[] = {
        {"F041v0581200000028d000F7", 10, "F041105812000000280A00F7",
         "F0 41 10 58 12 00 00 00 28 0A 4E F7"},
        {"F041v0581200000003d1d000F7", 300, "F04110581200000003022C00F7",
         "F0 41 10 58 12 00 00 00 03 02 2C 4F F7"},
        {"F041v0581200000019n1n000F7", 0xA7, "F041105812000000190A0700F7",
         "F0 41 10 58 12 00 00 00 19 0A 07 56 F7"},
        {"F041v058120100000Ad1d000F7", -5, "F0411058120100000A7F7B00F7",
         "F0 41 10 58 12 01 00 00 0A 7F 7B 7B F7"},
    };
    for (const auto& w : examples) {
        SCOPED_TRACE(w.tmpl);
        EXPECT_EQ(ExpandTemplate(w.tmpl, w.value), w.expanded);
        link.messages.clear();
        link.SendCommand(w.tmpl, w.value, ctRoland);
        ASSERT_EQ(link.messages.size(), 1u);
        EXPECT_EQ(link.messages[0].bytes, HexBytes(w.sent));
    }

    link.messages.clear();
    link.SendCommand("99d040", 38, ctRoland);
    link.SendCommand("C9d0", 4, ctRoland);
    ASSERT_EQ(link.messages.size(), 2u);
    EXPECT_EQ(link.messages[0].shortMessage, 0x00402699u);
    EXPECT_EQ(link.messages[1].shortMessage, 0x000004C9u);

    const std::string request = FillFields("F041v0581100%0.2x00000000002F00F7", {5});
    link.messages.clear();
    link.SendCommand(request, 0, ctRoland);
    EXPECT_EQ(link.LongMessages().at(0), HexBytes("F0 41 10 58 11 00 05 00 00 00 00 00 2F 4C F7"));
}

TEST_F(TemplateTest, PlaceholdersAreLowerCaseFirstCharactersOnly) {
    EXPECT_EQ(ExpandTemplate("2D", 0x55), "2D");  // upper-case D is a hex digit
    EXPECT_EQ(ExpandTemplate("D0", 0x55), "D0");
    EXPECT_EQ(ExpandTemplate("d2", 3 << 14), "03");
    EXPECT_EQ(ExpandTemplate("0d", 7), "0d");  // a placeholder letter counts only first
    EXPECT_EQ(ExpandTemplate("d0d1", -5), "7B7F");
    EXPECT_EQ(ExpandTemplate("n0n1n2", 167), "070A00");
    EXPECT_EQ(ExpandTemplate("C9d0X", 4), "C904");  // odd trailing character ignored
    SetDeviceId(3, 0x7F);
    EXPECT_EQ(ExpandTemplate("v3v1", 0), "7F00");  // gap entries are zero
}

TEST_F(TemplateTest, HexConversions) {
    EXPECT_EQ(HexToInt("7f"), 0x7F);
    EXPECT_EQ(HexToInt("F0"), 0xF0);
    try {
        HexToInt("g1");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Invalid hex string G1");
    }
    EXPECT_EQ(HexPairToByte('F', '7'), 0xF7);
    EXPECT_EQ(HexPairToByte('0', 'a'),
              static_cast<std::uint8_t>(0x31));  // lenient: lower-case is wrong
    const std::uint8_t a[] = {1, 2, 3}, b[] = {1, 2, 4};
    EXPECT_TRUE(SameBytes(a, b, 2));
    EXPECT_FALSE(SameBytes(a, b, 3));
    EXPECT_TRUE(SameBytes(a, b, 0));
    EXPECT_TRUE(SameBytes(a, b, -1));
}

TEST_F(TemplateTest, CuttingIntoMessages) {
    link.SendCommand("903C40803C00", 0, ctRoland);
    ASSERT_EQ(link.messages.size(), 2u);
    EXPECT_EQ(link.messages[0].shortMessage, 0x00403C90u);
    EXPECT_EQ(link.messages[1].shortMessage, 0x00003C80u);

    link.messages.clear();
    link.SendCommand("F041v0581200000028d000F7C9d0", 3, ctRoland);
    ASSERT_EQ(link.messages.size(), 2u);
    EXPECT_TRUE(link.messages[0].isLong);
    EXPECT_EQ(link.messages[1].shortMessage, 0x000003C9u);

    // Without F7 the last byte is not summed and the checksum goes before it.
    link.messages.clear();
    link.SendCommand("F04110581200000028050011", 0, ctRoland);
    EXPECT_EQ(link.LongMessages().at(0), HexBytes("F0 41 10 58 12 00 00 00 28 05 53 11"));

    // Other checksum types zero the checksum place whatever the template holds there.
    for (auto type : {ctNone, ctYamaha}) {
        link.messages.clear();
        link.SendCommand("F041105812000000280A55F7", 0, type);
        EXPECT_EQ(link.LongMessages().at(0), HexBytes("F0 41 10 58 12 00 00 00 28 0A 00 F7"));
    }
}

TEST_F(TemplateTest, FailuresStopWhereTheyAre) {
    // The first pair of a message is checked strictly; earlier messages are already out.
    EXPECT_EQ(ErrorOf("C904ZZ"), "Invalid hex string ZZ");
    ASSERT_EQ(link.messages.size(), 1u);
    EXPECT_EQ(link.messages[0].shortMessage, 0x04C9u);

    link.messages.clear();
    EXPECT_EQ(ErrorOf("F041v958F7"), "List index out of bounds (9)");
    EXPECT_TRUE(link.messages.empty());
}

TEST_F(TemplateTest, MalformedTemplatesAreRefusedWithoutOverrun) {
    EXPECT_EQ(ErrorOf("F041d400F7"), "Invalid hex string D4");
    EXPECT_EQ(ErrorOf("F041n800F7"), "Invalid hex string N8");
    EXPECT_EQ(ErrorOf("F041vx00F7"), "Invalid hex string VX");
    EXPECT_EQ(ErrorOf("90010203040506"), "Short message too long");
    EXPECT_EQ(ErrorOf("F0"), "System exclusive message too short");

    std::string longSysex = "F0";
    for (int i = 0; i < 1100; ++i) longSysex += "01";
    longSysex += "00F7";
    EXPECT_EQ(ErrorOf(longSysex), "System exclusive message too long (1103 bytes)");
    EXPECT_TRUE(link.messages.empty());

    // 1024 bytes is the largest message that fits.
    std::string fits = "F0";
    for (int i = 0; i < 1021; ++i) fits += "01";
    fits += "00F7";
    link.SendCommand(fits, 0, ctNone);
    EXPECT_EQ(link.LongMessages().at(0).size(), 1024u);
}

TEST_F(TemplateTest, DeviceIdTable) {
    EXPECT_EQ(GetDeviceId(0), 0x10);
    EXPECT_THROW(GetDeviceId(1), Error);
    SetDeviceId(2, 5);
    EXPECT_EQ(GetDeviceId(1), 0);
    EXPECT_EQ(GetDeviceId(2), 5);
    try {
        SetDeviceId(0, 0x80);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Invalid device ID");
    }
    EXPECT_EQ(GetDeviceId(0), 0x10);
}

TEST_F(TemplateTest, RecordChecksum) {
    std::vector<std::uint8_t> rec = HexBytes("F0 41 10 58 12 00 00 00 28 0A 99 F7");
    UpdateChecksum(rec.data(), static_cast<int>(rec.size()), ctRoland);
    EXPECT_EQ(rec[10], 0x4E);  // the old checksum place is not summed

    std::vector<std::uint8_t> eight = HexBytes("F0 41 10 58 12 05 00 F7");
    UpdateChecksum(eight.data(), 8, ctRoland);  // sums index 5 only
    EXPECT_EQ(eight[6], 0x7B);

    std::vector<std::uint8_t> untouched = rec;
    untouched[10] = 0x33;
    UpdateChecksum(untouched.data(), 12, ctYamaha);
    EXPECT_EQ(untouched[10], 0x33);

    std::uint8_t one[1] = {0x42};
    UpdateChecksum(one, 1, ctRoland);  // too short to hold a checksum: left alone
    EXPECT_EQ(one[0], 0x42);
}

}  // namespace
