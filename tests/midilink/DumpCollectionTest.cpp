#include <gtest/gtest.h>

#include <sstream>

#include "Bytes.h"
#include "midilink/DumpCollection.h"
#include "midilink/Error.h"
#include "midilink/MidiCom.h"
#include "tests/support/RecordingLink.h"

using namespace midilink;
using testsupport::RecordingLink;

namespace {

std::string ErrorText(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

// A binding that only counts its refreshes.
class CountingCom : public TValueMidiCom {
  public:
    void UpdateFromDump() override {
        ++refreshes;
        TValueMidiCom::UpdateFromDump();
    }
    int refreshes = 0;
};

// A collection laid out like the module's: header of 9 bytes whose last address byte
// names the record.
struct Fixture {
    explicit Fixture(const char* name = "ProgDump", int count = 4, int size = 12) : dump(name) {
        dump.SetSize(size);
        dump.SetHeaderSize(9);
        dump.SetChecksum(ctRoland);
        dump.SetCount(count);
        dump.OnPrepare = [](TDumpCollection*, int i, std::uint8_t* b, int) {
            const std::uint8_t header[] = {0x41, 0x10, 0x58, 0x12, 0x00, 0x00, 0x00};
            std::copy(std::begin(header), std::end(header), b + 1);
            b[8] = static_cast<std::uint8_t>(i);
        };
        dump.OnChange = [this](TDumpCollection*, int i) { changes.push_back(i); };
        dump.SetMidiLink(&link);
    }
    RecordingLink link;
    TDumpCollection dump;
    std::vector<int> changes;
};

TEST(DumpCollection, PropertyChecksAndErrorTexts) {
    TDumpCollection dump("ProgDump");
    EXPECT_EQ(dump.Size(), 2);
    EXPECT_EQ(dump.Index(), -1);
    dump.SetHeaderSize(9);
    dump.SetSize(9);
    EXPECT_EQ(ErrorText([&] { dump.SetChecksum(ctNone); }),
              "Size to small to accomodate checksum byte");
    dump.SetSize(12);
    dump.SetChecksum(ctRoland);
    EXPECT_EQ(dump.Checksum(), ctRoland);

    dump.SetCount(3);
    EXPECT_EQ(ErrorText([&] { dump.ReadByte(0); }),
              "Cannot read data from unindexed collection (ProgDump)");
    EXPECT_EQ(ErrorText([&] { dump.WriteByte(9, 1); }),
              "Cannot write data to unindexed collection (ProgDump)");
    EXPECT_EQ(ErrorText([&] { dump.Current(); }), "Collection in not indexed");
    EXPECT_EQ(ErrorText([&] { dump.SendCurrent(); }), "Collection in not indexed");
    EXPECT_EQ(ErrorText([&] { dump.PrepareCurrent(); }), "Collection in not indexed");
    EXPECT_EQ(ErrorText([&] { dump.Records(3); }), "Index out of bounds");
    EXPECT_EQ(ErrorText([&] { dump.SendRecord(-1); }), "Index out of bounds");
    EXPECT_EQ(ErrorText([&] { dump.SetIndex(3); }), "Index out of bounds");
    EXPECT_EQ(dump.Index(), -1);
    dump.SetIndex(2);
    EXPECT_EQ(ErrorText([&] { dump.ReadByte(12); }), "Index out of range");
    EXPECT_EQ(ErrorText([&] { dump.WriteByte(-1, 0); }), "Index out of range");
}

TEST(DumpCollection, CountShrinksAndGrowsWithZeroedRecords) {
    Fixture f("ProgDump", 5);
    f.dump.Records(3).SetBytes(9, 0x55);
    f.dump.SetCount(3);
    f.dump.SetCount(5);
    EXPECT_EQ(f.dump.Records(3).Bytes(9), 0);
    EXPECT_EQ(f.dump.Records(4).Size(), 12);
    EXPECT_EQ(f.dump.Records(4).Capacity(), TMidiDump::kInitialCapacity);

    // A current record removed by a smaller count leaves the collection unindexed.
    f.dump.SetIndex(4);
    f.dump.SetCount(2);
    EXPECT_EQ(f.dump.Index(), -1);
}

TEST(DumpCollection, WritesInsideTheHeaderChangeNothing) {
    Fixture f;
    f.dump.Records(2).SetBytes(8, 7);
    EXPECT_TRUE(f.changes.empty());
    EXPECT_FALSE(f.dump.Modified());
    f.dump.Records(2).SetBytes(9, 7);
    EXPECT_EQ(f.changes, std::vector<int>{2});
    EXPECT_TRUE(f.dump.Modified());
    f.dump.SetModified(false);
    EXPECT_FALSE(f.dump.Modified());
    EXPECT_EQ(f.changes.back(), -1);
}

TEST(DumpCollection, SendRecordPreparesSealsAndSends) {
    Fixture f;
    f.dump.Records(2).SetBytes(9, 0x0A);
    f.dump.SendRecord(2);
    EXPECT_EQ(f.link.LongMessages().at(0), HexBytes("F0 41 10 58 12 00 00 00 02 0A 74 F7"));
}

TEST(DumpCollection, MatchingFillsEveryMatchingRecordAndRefreshesOnlyTheCurrent) {
    Fixture f;
    CountingCom com;
    com.SetDumpIndex(9);
    com.SetMidiDump(&f.dump);
    int shown = -1;
    com.OnValue = [&](TValueMidiCom*, int v) { shown = v; };

    const auto message = HexBytes("F0 41 10 58 12 00 00 00 01 2A 55 F7");
    // Not indexed: the record is filled, no binding refreshed.
    EXPECT_TRUE(f.link.OfferSysex(message.data(), static_cast<int>(message.size())));
    EXPECT_EQ(f.dump.Records(1).Bytes(9), 0x2A);
    EXPECT_EQ(f.dump.Records(1).Bytes(10), 0x55);  // checksum as received
    EXPECT_EQ(com.refreshes, 0);
    EXPECT_EQ(f.changes, std::vector<int>{-1});

    f.dump.SetIndex(1);
    EXPECT_EQ(com.refreshes, 1);
    EXPECT_EQ(shown, 0x2A);
    EXPECT_TRUE(f.link.OfferSysex(message.data(), static_cast<int>(message.size())));
    EXPECT_EQ(com.refreshes, 2);

    // Another device ID, a short message, and a truncated one match nothing.
    f.changes.clear();
    auto other = message;
    other[2] = 0x11;
    EXPECT_FALSE(f.link.OfferSysex(other.data(), static_cast<int>(other.size())));
    EXPECT_FALSE(f.link.OfferSysex(message.data(), 11));
    EXPECT_TRUE(f.changes.empty());

    // Header size 0: every message matches every record.
    TDumpCollection loose("Loose");
    loose.SetSize(4);
    loose.SetCount(3);
    loose.SetMidiLink(&f.link);
    const auto tiny = HexBytes("F0 01 02 F7");
    EXPECT_TRUE(f.link.OfferSysex(tiny.data(), 4));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(loose.Records(i).Bytes(2), 2);
}

TEST(DumpCollection, OneMessageFillsRecordsInSeveralCollections) {
    Fixture a("A"), b("B");
    b.dump.SetMidiLink(&a.link);
    const auto message = HexBytes("F0 41 10 58 12 00 00 00 03 01 7C F7");
    EXPECT_TRUE(a.link.OfferSysex(message.data(), static_cast<int>(message.size())));
    EXPECT_EQ(a.dump.Records(3).Bytes(9), 1);
    EXPECT_EQ(b.dump.Records(3).Bytes(9), 1);
    EXPECT_EQ(a.changes, std::vector<int>{-1});
    EXPECT_EQ(b.changes, std::vector<int>{-1});
}

TEST(DumpCollection, ExchangeRefreshesTheCurrentRecordMoveDoesNot) {
    Fixture f("ProgDump", 6);
    CountingCom com;
    com.SetDumpIndex(9);
    com.SetMidiDump(&f.dump);
    f.dump.Records(0).SetBytes(9, 0x40);
    f.dump.SetIndex(5);
    com.refreshes = 0;

    f.dump.Exchange(0, 5);
    EXPECT_EQ(com.refreshes, 1);
    EXPECT_EQ(f.dump.Records(5).Bytes(9), 0x40);

    f.dump.SetModified(false);
    f.dump.Move(5, 0);
    EXPECT_EQ(com.refreshes, 1);
    EXPECT_TRUE(f.dump.Modified());
    EXPECT_EQ(f.dump.Records(0).Bytes(9), 0x40);
    EXPECT_EQ(f.changes.back(), -1);

    // Move from 1 to 3: the records in between shift down by one.
    for (int i = 0; i < 6; ++i) f.dump.Records(i).SetBytes(10, static_cast<std::uint8_t>(i));
    f.dump.Move(1, 3);
    const std::vector<int> expected = {0, 2, 3, 1, 4, 5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(f.dump.Records(i).Bytes(10), expected[i]);
}

TEST(DumpCollection, StreamsAndHexLines) {
    Fixture f("SystemDump", 1, 34);
    TMidiDump& rec = f.dump.Records(0);
    rec.SetBytes(9, 0x0A);
    std::stringstream out;
    rec.SaveToStream(out);  // sealed: fresh checksum
    const std::string saved = out.str();
    ASSERT_EQ(saved.size(), 34u);
    EXPECT_EQ(static_cast<std::uint8_t>(saved[0]), 0xF0);
    EXPECT_EQ(static_cast<std::uint8_t>(saved[32]), 0x76);
    EXPECT_EQ(static_cast<std::uint8_t>(saved[33]), 0xF7);

    std::string stale = saved;
    stale[32] = 0x01;  // loaded bytes stand as read
    std::stringstream in(stale);
    rec.LoadFromStream(in);
    EXPECT_EQ(rec.Bytes(32), 0x01);

    // Too few bytes: an error, and the record keeps its bytes.
    std::stringstream shortIn(saved.substr(0, 20));
    try {
        rec.LoadFromStream(shortIn);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    EXPECT_EQ(rec.Bytes(32), 0x01);

    std::vector<std::string> lines{"old"};
    rec.ToStrings(lines, 16);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 48u);
    EXPECT_EQ(lines[0].substr(0, 9), "F0 00 00 ");  // no OnPrepare: only the frame is sealed
    EXPECT_EQ(lines[2], "76 F7 ");
}

TEST(DumpCollection, LoadingTheCurrentRecordRefreshesBindings) {
    Fixture f;
    CountingCom com;
    com.SetDumpIndex(9);
    com.SetMidiDump(&f.dump);
    f.dump.SetIndex(1);
    com.refreshes = 0;
    std::stringstream in(std::string(12, '\x05'));
    f.dump.Records(0).LoadFromStream(in);
    EXPECT_EQ(com.refreshes, 0);
    std::stringstream in2(std::string(12, '\x05'));
    f.dump.Records(1).LoadFromStream(in2);
    EXPECT_EQ(com.refreshes, 1);
    EXPECT_EQ(f.changes.back(), 1);
}

TEST(DumpCollection, RefreshStopsAtABindingOutsideTheRecord) {
    Fixture f;
    CountingCom first, bad, after;
    first.SetDumpIndex(9);
    bad.SetDumpIndex(12);
    after.SetDumpIndex(9);
    for (auto* c : {&first, &bad, &after}) c->SetMidiDump(&f.dump);
    EXPECT_EQ(ErrorText([&] { f.dump.SetIndex(0); }), "Index out of range");
    EXPECT_EQ(first.refreshes, 1);
    EXPECT_EQ(after.refreshes, 0);
}

}  // namespace
