// Pad hits: which short messages are hits, which trigger of the patch a note selects, the
// option that lets notes through the input at all, and the velocities kept per trigger.

#include "midilink/MidiDump.h"
#include "td7/triggers/PadHits.h"
#include "td7/map/PresentFlags.h"
#include "tests/td7/EditorPorts.h"

namespace hardening {
namespace {

using td7::TPadHit;

class PadHits : public EditorPorts {
  protected:
    // Writes the note that selector entry t of patch p plays, as a received record would.
    void SetNote(int p, int t, int note) {
        if (t == td7::kHihatPedalEntry)
            dumps.ProgDump.Records(p).SetBytes(52, static_cast<std::uint8_t>(note));
        else
            dumps.TriggerDump.Records(td7::TriggerRecord(p, t))
                .SetBytes(9, static_cast<std::uint8_t>(note));
    }
    void SetTriggerTxChannel(int channel) {
        dumps.SystemDump.Records(0).SetBytes(9, static_cast<std::uint8_t>(channel - 1));
        session.Present().SetSystemPresent(true);
    }
    // The hits without their time stamps, which come from the clock.
    static std::vector<TPadHit> Untimed(std::vector<TPadHit> hits) {
        for (TPadHit& hit : hits) hit.Delivered = {};
        return hits;
    }
    // Every trigger of patch p on its own note 60 + t.
    void DistinctNotes(int p) {
        for (int t = 0; t < td7::kTriggerSelectorEntries; ++t) SetNote(p, t, 60 + t);
    }
};

TEST_F(PadHits, OnlyNoteOnsWithVelocityOnTheTriggerChannelAreHits) {
    td7::TPadHitReader& reader = session.PadHits();
    // No system block: channel 10.
    EXPECT_TRUE(reader.Read(0x99, 38, 97));
    EXPECT_FALSE(reader.Read(0x99, 38, 0));   // a note-off in disguise
    EXPECT_FALSE(reader.Read(0x98, 38, 97));  // channel 9
    EXPECT_FALSE(reader.Read(0x89, 38, 97));  // note-off
    EXPECT_FALSE(reader.Read(0xB9, 38, 97));  // controller
    EXPECT_FALSE(reader.Read(0xC9, 3, 0));    // program change
    EXPECT_TRUE(reader.Read(0x99, 40, 12));
    EXPECT_EQ(reader.Take(), (std::vector<TPadHit>{{38, 97}, {40, 12}}));
    EXPECT_FALSE(reader.Pending());

    // The system block names another channel: channel 10 is no longer the module's.
    SetTriggerTxChannel(3);
    EXPECT_EQ(td7::TriggerTxChannel(dumps, session.Present()), 3);
    EXPECT_FALSE(reader.Read(0x99, 38, 97));
    EXPECT_TRUE(reader.Read(0x92, 38, 97));
    EXPECT_EQ(reader.Take().size(), 1U);

    // A program that falls behind keeps the latest hits, no more than the bound.
    for (int k = 0; k < 1000; ++k) reader.Read(0x92, 36, 1 + k % 127);
    const auto kept = reader.Take();
    ASSERT_EQ(kept.size(), td7::TPadHitReader::kMaxPending);
    EXPECT_EQ(kept.back(), (TPadHit{36, 1 + 999 % 127}));
}

TEST_F(PadHits, ANoteSelectsTheFirstTriggerOfThePatchThatPlaysIt) {
    DistinctNotes(4);
    EXPECT_EQ(td7::TriggerOfNote(dumps, 4, 62), 2);  // the snare
    EXPECT_EQ(td7::TriggerOfNote(dumps, 4, 60 + td7::kHihatPedalEntry), td7::kHihatPedalEntry);
    EXPECT_EQ(td7::TriggerOfNote(dumps, 4, 59), std::nullopt);
    // Another patch's notes do not count.
    EXPECT_EQ(td7::TriggerOfNote(dumps, 5, 62), std::nullopt);
    // Snare and snare rim and the pedal on one note: the snare, first in selector order.
    SetNote(4, 3, 62);
    SetNote(4, td7::kHihatPedalEntry, 62);
    EXPECT_EQ(td7::TriggerOfNote(dumps, 4, 62), 2);
    SetNote(4, 2, 61);
    EXPECT_EQ(td7::TriggerOfNote(dumps, 4, 62), 3);
}

TEST_F(PadHits, NotesPassTheInputOnlyWhileTheOptionIsOn) {
    int hits = 0;
    session.OnPadHit = [&] { ++hits; };
    const Bytes system = RecordBytes(td7::Block::System, 0);
    const Bytes snare = {0x99, 38, 97};

    ASSERT_FALSE(session.FollowPadHits());
    Receive({snare, system});
    ASSERT_TRUE(inWindow.PumpUntil([&] { return taken == 1; }));
    EXPECT_EQ(received, 1);  // the note never reached the ring
    EXPECT_EQ(hits, 0);

    // On while the port is open: notes and answers both arrive, each answer still taken.
    session.SetFollowPadHits(true);
    Receive({snare, system, {0x99, 40, 0}, {0x98, 38, 97}, snare});
    ASSERT_TRUE(inWindow.PumpUntil([&] { return received == 6; }));
    EXPECT_EQ(taken, 2);
    EXPECT_EQ(hits, 2);
    EXPECT_EQ(Untimed(session.PadHits().Take()), (std::vector<TPadHit>{{38, 97}, {38, 97}}));

    // Off again: waiting hits go, and no note comes through.
    Receive({snare});
    ASSERT_TRUE(inWindow.PumpUntil([&] { return received == 7; }));
    session.SetFollowPadHits(false);
    EXPECT_FALSE(session.PadHits().Pending());
    Receive({snare, system});
    ASSERT_TRUE(inWindow.PumpUntil([&] { return taken == 3; }));
    EXPECT_EQ(received, 8);
}

// The trigger check takes the same hits as Follow Pad Hits, stamped with the time of their
// delivery, whether Follow Pad Hits is on or off; a set channel overrides the system's.
TEST_F(PadHits, CheckingTriggersGetsEveryHitTimeStampedOnItsOwn) {
    int checked = 0;
    session.OnCheckedHit = [&] { ++checked; };
    const Bytes snare = {0x99, 38, 97};
    const Bytes system = RecordBytes(td7::Block::System, 0);
    session.SetCheckingTriggers(true);
    const auto start = std::chrono::steady_clock::now();
    Receive({snare, system, {0x92, 40, 50}});
    ASSERT_TRUE(inWindow.PumpUntil([&] { return received == 3; }));
    EXPECT_EQ(checked, 1);
    EXPECT_FALSE(session.PadHits().Pending());
    std::vector<TPadHit> hits = session.CheckedHits().Take();
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_GE(hits[0].Delivered, start);
    EXPECT_LE(hits[0].Delivered, std::chrono::steady_clock::now());

    session.CheckedHits().SetChannel(3);
    session.SetFollowPadHits(true);
    Receive({snare, {0x92, 40, 50}});
    ASSERT_TRUE(inWindow.PumpUntil([&] { return received == 5; }));
    EXPECT_EQ(Untimed(session.CheckedHits().Take()), (std::vector<TPadHit>{{40, 50}}));
    EXPECT_EQ(Untimed(session.PadHits().Take()), (std::vector<TPadHit>{{38, 97}}));

    // Follow Pad Hits off leaves the check listening.
    session.SetFollowPadHits(false);
    Receive({{0x92, 40, 51}});
    ASSERT_TRUE(inWindow.PumpUntil([&] { return received == 6; }));
    EXPECT_EQ(checked, 3);
}

TEST_F(PadHits, EachTriggerKeepsItsLastEightVelocities) {
    td7::TVelocityHistory history;
    EXPECT_TRUE(history.Of(2).empty());
    for (int v = 1; v <= 3; ++v) history.Add(2, v);
    EXPECT_EQ(history.Of(2), (std::vector<int>{1, 2, 3}));
    for (int v = 4; v <= 11; ++v) history.Add(2, v);
    history.Add(td7::kHihatPedalEntry, 127);
    EXPECT_EQ(history.Of(2), (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(history.Of(td7::kHihatPedalEntry), (std::vector<int>{127}));
    EXPECT_THROW(history.Add(19, 1), std::runtime_error);
    history.Clear();
    EXPECT_TRUE(history.Of(2).empty());
}

}  // namespace
}  // namespace hardening
