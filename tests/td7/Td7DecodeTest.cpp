// Texts decoded from records: names and the note-map line.

#include <gtest/gtest.h>

#include <cstring>

#include "midilink/DeviceIds.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"

namespace {

class Td7DecodeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, 0x10);
        Name(0, "Kick1K");
        Name(300, "SnareS");
        Name(511, "Last Z");
    }

    void Name(int instrument, const char* six) {
        std::memcpy(dumps.InstrumentDump.Records(instrument).Data() + 9, six, 6);
    }

    // A note-map record: layer mode, then Sound 1 and Sound 2 as two 7-bit bytes each.
    midilink::TMidiDump& Entry(int record, int layer, int sound1, int sound2) {
        midilink::TMidiDump& entry = dumps.NotemapDump.Records(record);
        std::uint8_t* d = entry.Data();
        d[9] = static_cast<std::uint8_t>(layer);
        d[12] = static_cast<std::uint8_t>(sound1 >> 7);
        d[13] = static_cast<std::uint8_t>(sound1 & 0x7F);
        d[15] = static_cast<std::uint8_t>(sound2 >> 7);
        d[16] = static_cast<std::uint8_t>(sound2 & 0x7F);
        return entry;
    }

    td7::TTd7Collections dumps{nullptr, nullptr, nullptr};
};

TEST_F(Td7DecodeTest, NotemapLines) {
    EXPECT_EQ(td7::NotemapLine(0, Entry(0, 1, 0, 300), dumps.InstrumentDump),
              "35 B 1: Kick1.K Snare.S VMix");
    EXPECT_EQ(td7::NotemapLine(2, Entry(2, 5, 511, 0), dumps.InstrumentDump),
              "37 C#2: Last .Z Kick1.K Crs2");
    EXPECT_EQ(td7::NoteLabel(58), "93 A 6");
    EXPECT_EQ(td7::NoteLabel(1), "36 C 2");
}

TEST_F(Td7DecodeTest, LayerModeBeyondTheSixShowsItsNumber) {
    EXPECT_EQ(td7::NotemapLine(3, Entry(3, 6, 0, 0), dumps.InstrumentDump),
              "38 D 2: Kick1.K Kick1.K (6)");
    EXPECT_EQ(td7::LayerModeName(127), "(127)");
}

TEST_F(Td7DecodeTest, SoundBeyondTheInstrumentsIsCorruption) {
    for (auto [sound1, sound2] : {std::pair{512, 0}, std::pair{0, 512}, std::pair{16383, 3}}) {
        try {
            td7::NotemapLine(4, Entry(4, 0, sound1, sound2), dumps.InstrumentDump);
            ADD_FAILURE() << sound1 << " " << sound2;
        } catch (const td7::DecodeError& e) {
            EXPECT_STREQ(e.what(), "Instrument dump is corrupted");
        }
    }
}

TEST_F(Td7DecodeTest, PatchAndInstrumentNames) {
    std::memcpy(dumps.ProgDump.Records(7).Data() + 11, "Rock 1", 6);
    EXPECT_EQ(td7::PatchName(dumps.ProgDump.Records(7)), "Rock 1");
    EXPECT_EQ(td7::InstrumentNameText(dumps.InstrumentDump, 300), "Snare.S");
    EXPECT_EQ(std::string(td7::kEmptyPatchName), "Empty ");
}

}  // namespace
