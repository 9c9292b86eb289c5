// The default patch and Initialize of an empty slot from it.

#include <gtest/gtest.h>

#include "td7/map/DefaultPatch.h"
#include "td7/history/PatchSlots.h"
#include "tests/td7/FilesFixture.h"

namespace filestest {
namespace {

using td7::Block;

// Byte position of each of the 78 records in the patch and its size.
struct Place {
    std::size_t pos;
    int size;
    std::uint8_t a3;
};

std::vector<Place> Places() {
    std::vector<Place> places = {{0, 58, 0}};
    std::size_t pos = 58;
    for (int t = 0; t < 18; ++t, pos += 22)
        places.push_back({pos, 22, static_cast<std::uint8_t>(t + 1)});
    for (int n = 0; n < 59; ++n, pos += 19)
        places.push_back({pos, 19, static_cast<std::uint8_t>(35 + n)});
    return places;
}

class DefaultPatchTest : public FilesTest {};

TEST_F(DefaultPatchTest, IsSeventyEightSealedMessagesForSlotZero) {
    const auto patch = td7::DefaultPatchBytes();
    ASSERT_EQ(patch.size(), 1575u);
    for (const Place& place : Places()) {
        SCOPED_TRACE(place.pos);
        const std::uint8_t* r = patch.data() + place.pos;
        EXPECT_EQ(Bytes(r, r + 9),
                  (Bytes{0xF0, 0x41, 0x10, 0x58, 0x12, 0x00, 0x00, place.a3, 0x00}));
        EXPECT_TRUE(Sealed(r, place.size));
    }
}

TEST_F(DefaultPatchTest, HoldsTheTabledValues) {
    const auto patch = td7::DefaultPatchBytes();
    const auto data = [&](std::size_t record, std::size_t offset) {
        return patch[Places()[record].pos + 9 + offset];
    };
    // Common block: program byte, receive off, name, first performance sound, pedal values.
    EXPECT_EQ(data(0, 0), 0x7F);
    EXPECT_EQ(data(0, 1), 0x01);
    EXPECT_EQ(std::string(patch.begin() + 11, patch.begin() + 17), "Patch ");
    EXPECT_EQ((Bytes{data(0, 8), data(0, 9)}), (Bytes{0x03, 0x7D}));
    EXPECT_EQ((Bytes{data(0, 39), data(0, 40), data(0, 43), data(0, 46)}),
              (Bytes{0x1E, 0x0A, 0x2C, 0x00}));
    EXPECT_EQ(patch[56], 0x63);  // the common block's checksum
    // Triggers: kick note 24 and mask time 0D; hi-hat velocity curve 03 and choke on.
    EXPECT_EQ((Bytes{data(1, 0), data(1, 7)}), (Bytes{0x24, 0x0D}));
    EXPECT_EQ(patch[58 + 20], 0x3D);  // trigger 0's checksum
    EXPECT_EQ((Bytes{data(5, 3), data(5, 9)}), (Bytes{0x03, 0x01}));
    EXPECT_EQ(data(18, 0), 0x34);
    // Note map: 35, the pitch byte of 49, the last sound byte of 72, and 93 with its checksum.
    const std::uint8_t* note35 = patch.data() + Places()[19].pos + 9;
    EXPECT_EQ(Bytes(note35, note35 + 8), (Bytes{0x01, 0x00, 0x00, 0x00, 0x50, 0x00, 0x00, 0x2E}));
    EXPECT_EQ(data(19 + 49 - 35, 2), 0x7D);
    EXPECT_EQ(patch[Places()[19 + 49 - 35].pos + 17], 0x09);
    EXPECT_EQ(data(19 + 72 - 35, 7), 0x6B);
    EXPECT_EQ(data(77, 3), 0x03);
    EXPECT_EQ(patch[1573], 0x1F);
    EXPECT_EQ(patch[1574], 0xF7);
}

TEST_F(DefaultPatchTest, InitializeOnSlotFiveThenTransmitAddressesSlotFive) {
    TagAll(1);
    ClearModified();
    // The device ID changed since the default patch was made: headers follow the setting.
    midilink::SetDeviceId(0, 0x05);
    td7::InitializePatch(dumps, present, 4);

    EXPECT_TRUE(present.PatchPresent(4));
    EXPECT_FALSE(present.PatchPresent(3));
    EXPECT_TRUE(AnyModified());
    EXPECT_EQ(At(Block::Prog, 3), (Tag{Block::Prog, 3, 1}));
    EXPECT_EQ(At(Block::Trigger, 90), (Tag{Block::Trigger, 90, 1}));
    EXPECT_EQ(At(Block::Notemap, 295), (Tag{Block::Notemap, 295, 1}));
    // Stored as read: the resource's own header still says slot 0.
    EXPECT_EQ(dumps.ProgDump.Records(4).Data()[6], 0x00);

    dumps.ProgDump.SendRecord(4);
    for (int t = 0; t < 18; ++t) dumps.TriggerDump.SendRecord(td7::TriggerRecord(4, t));
    for (int n = 0; n < 59; ++n) dumps.NotemapDump.SendRecord(td7::NotemapRecord(4, n));
    const auto sent = link.LongMessages();
    ASSERT_EQ(sent.size(), 78u);
    const auto patch = td7::DefaultPatchBytes();
    const auto places = Places();
    for (std::size_t k = 0; k < sent.size(); ++k) {
        SCOPED_TRACE(k);
        const Bytes& m = sent[k];
        ASSERT_EQ(m.size(), static_cast<std::size_t>(places[k].size));
        EXPECT_EQ(Bytes(m.begin(), m.begin() + 9),
                  (Bytes{0xF0, 0x41, 0x05, 0x58, 0x12, 0x00, 0x04, places[k].a3, 0x00}));
        EXPECT_TRUE(Sealed(m.data(), places[k].size));
        const std::uint8_t* data = patch.data() + places[k].pos + 9;
        EXPECT_EQ(Bytes(m.begin() + 9, m.end() - 2), Bytes(data, data + places[k].size - 11));
    }
}

TEST_F(DefaultPatchTest, StoredHeadersAndChecksumsAreNotReliedOnAndAShortPatchIsRefused) {
    TagAll(1);
    ClearModified();
    const auto original = td7::DefaultPatchBytes();
    Bytes damaged(original.begin(), original.end());
    for (const Place& place : Places()) {
        damaged[place.pos + 6] = 0x1F;
        damaged[place.pos + place.size - 2] = 0x00;
    }
    const Bytes shortPatch(original.begin(), original.end() - 1);
    EXPECT_THROW(td7::InitializePatch(dumps, present, 4, shortPatch), midilink::Error);
    EXPECT_FALSE(present.PatchPresent(4));
    EXPECT_FALSE(AnyModified());
    EXPECT_EQ(At(Block::Prog, 4), (Tag{Block::Prog, 4, 1}));

    td7::InitializePatch(dumps, present, 4, damaged);
    dumps.TriggerDump.SendRecord(td7::TriggerRecord(4, 17));
    const Bytes m = link.LongMessages().at(0);
    EXPECT_EQ(m[6], 0x04);
    EXPECT_EQ(m[7], 18);
    EXPECT_TRUE(Sealed(m.data(), 22));
}

}  // namespace
}  // namespace filestest
