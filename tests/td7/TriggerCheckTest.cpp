// The trigger check: notes counted per pad of the patch, doubles and crosstalk picked out
// of the playing, the suggestions made of the counts, and the hits file.

#include <gtest/gtest.h>

#include "td7/triggers/HitsCsv.h"
#include "td7/map/ParameterTable.h"
#include "td7/triggers/PadHits.h"
#include "td7/map/Td7Collections.h"
#include "td7/triggers/TriggerCheck.h"
#include "td7/triggers/TriggerSuggestions.h"

namespace {

using td7::TTriggerCheck;

constexpr int kPatch = 3;
constexpr int kKick = 0, kSnare = 2, kHihat = 4, kTom2 = 8;

class TriggerCheck : public ::testing::Test {
  protected:
    TriggerCheck() {
        // Every trigger on its own note 40 + t.
        for (int t = 0; t < td7::kTriggersPerPatch; ++t) {
            Set(t, "txNoteNr", 40 + t - td7::kFirstNote);
            Set(t, "txTreshold", 8);
            Set(t, "txMaskTime", 13);
            Set(t, "txMaxDyna", 8);
        }
    }
    // Writes a shown value as the trigger's control would store it.
    void Set(int t, const char* name, int shown) {
        const td7::TParameter& row = *td7::FindParameter(name);
        dumps.TriggerDump.Records(td7::TriggerRecord(kPatch, t))
            .SetBytes(row.DumpIndex, static_cast<std::uint8_t>(shown + row.Offset));
    }
    TTriggerCheck Check() { return TTriggerCheck(td7::TPadMap::OfPatch(dumps, kPatch)); }
    std::vector<std::string> Texts(const TTriggerCheck& check) {
        std::vector<std::string> texts;
        for (const td7::TSuggestion& s :
             td7::Suggest(check, td7::PadValues(dumps, kPatch, check.Pads())))
            texts.push_back(s.Text);
        return texts;
    }
    static int Note(int t) { return 40 + t; }

    td7::TTd7Collections dumps{nullptr, nullptr, nullptr};
};

TEST_F(TriggerCheck, CountsEachPadsVelocitiesUnderItsTriggerName) {
    TTriggerCheck check = Check();
    EXPECT_EQ(check.Pads().Name(kSnare), "T2: Snare");
    EXPECT_EQ(check.Pads().ShortName(kTom2), "Tom 2");
    for (int v : {20, 64, 64, 127, 127, 3}) check.Record(check.Notes().size(), Note(kSnare), v);
    check.Record(10, 30, 90);  // no trigger plays note 30
    const td7::TPadCounts& snare = check.Counts(kSnare);
    EXPECT_EQ(snare.Hits, 6);
    EXPECT_EQ(snare.Lowest(), 3);
    EXPECT_EQ(snare.Median(), 64);
    EXPECT_EQ(snare.Highest(), 127);
    EXPECT_DOUBLE_EQ(snare.ShareAt127(), 2.0 / 6);
    const std::array<int, 16> bins = snare.Histogram();
    EXPECT_EQ(bins[0], 1);
    EXPECT_EQ(bins[2], 1);
    EXPECT_EQ(bins[8], 2);
    EXPECT_EQ(bins[15], 2);
    EXPECT_EQ(check.NotesOffPads(), 1);
    EXPECT_EQ(check.Counts(kKick).Hits, 0);

    // Without a patch, each note is a pad of its own named as the note map names it.
    const td7::TPadMap notes = td7::TPadMap::ByNotes();
    EXPECT_EQ(notes.Name(notes.PadOf(37)), "37 C#2");
    EXPECT_FALSE(notes.Trigger(notes.PadOf(37)));
}

TEST_F(TriggerCheck, ASofterNoteOfThePadWithinTheWindowIsADouble) {
    TTriggerCheck check = Check();
    check.Record(1.000, Note(kSnare), 100);
    check.Record(1.012, Note(kSnare), 40);   // double, 12 ms
    check.Record(1.025, Note(kSnare), 30);   // double of the same hit, 25 ms
    check.Record(1.040, Note(kSnare), 20);   // 40 ms after the hit: played
    check.Record(2.000, Note(kSnare), 90);
    check.Record(2.010, Note(kSnare), 85);   // as loud: a fast roll, not a double
    EXPECT_EQ(check.Counts(kSnare).Doubles, 2);
    ASSERT_EQ(check.Counts(kSnare).DoubleGaps.size(), 2u);
    EXPECT_NEAR(check.Counts(kSnare).DoubleGaps[1], 0.025, 1e-9);
    EXPECT_EQ(check.Notes()[1].Flag, td7::THitFlag::Double);
    EXPECT_EQ(check.Notes()[3].Flag, td7::THitFlag::None);
    EXPECT_EQ(check.Notes()[5].Flag, td7::THitFlag::None);

    // A wider window looks again at what was recorded; Start Again forgets it.
    check.SetWindows({.Double = 0.050, .Crosstalk = 0.008});
    EXPECT_EQ(check.Counts(kSnare).Doubles, 3);
    check.Clear();
    EXPECT_EQ(check.Counts(kSnare).Hits, 0);
    EXPECT_TRUE(check.Notes().empty());
}

TEST_F(TriggerCheck, ASoftNoteOnAnotherPadRightAfterALoudHitIsCrosstalk) {
    TTriggerCheck check = Check();
    check.Record(1.000, Note(kKick), 90);
    check.Record(1.001, Note(kSnare), 110);
    check.Record(1.004, Note(kTom2), 20);  // from the snare, the louder of the two
    check.Record(1.006, Note(kHihat), 100);  // louder than the snare's share: played
    check.Record(2.000, Note(kSnare), 110);
    check.Record(2.012, Note(kTom2), 15);  // outside 8 ms
    check.Record(3.000, Note(kSnare), 120);
    check.Record(3.007, Note(kTom2), 12);
    ASSERT_EQ(check.Crosstalk().size(), 1u);
    const auto& [pair, crosstalk] = *check.Crosstalk().begin();
    EXPECT_EQ(pair, std::make_pair(kSnare, kTom2));
    EXPECT_EQ(crosstalk.Count, 2);
    EXPECT_EQ(crosstalk.LowestVelocity, 12);
    EXPECT_EQ(crosstalk.HighestVelocity, 20);
    EXPECT_EQ(check.CrosstalkInto(kTom2), 2);
    EXPECT_EQ(check.Notes()[2].Source, kSnare);
    // Counted as hits of the pad all the same: the pad sent them.
    EXPECT_EQ(check.Counts(kTom2).Hits, 3);
}

TEST_F(TriggerCheck, EachFaultSuggestsOneStepOfOneParameter) {
    TTriggerCheck check = Check();
    for (int k = 0; k < 7; ++k) {
        const double at = k;
        check.Record(at, Note(kSnare), 100);
        check.Record(at + 0.012 + k * 0.002, Note(kSnare), 30);
    }
    for (int k = 0; k < 9; ++k) {
        const double at = 20 + k;
        check.Record(at, Note(kSnare), 110);
        check.Record(at + 0.003, Note(kTom2), 11 + k);
    }
    for (int k = 0; k < 10; ++k) check.Record(40 + k, Note(kKick), k < 4 ? 127 : 100);
    for (int k = 0; k < 20; ++k) check.Record(60 + k, Note(kHihat), 10 + k);
    EXPECT_EQ(Texts(check),
              (std::vector<std::string>{
                  "T1: Kick reaches 127 in 40% of hits: raise Maximum Dynamic Range (now 8)",
                  "T2: Snare: 7 double hits 12\u201324 ms apart: raise Mask Time (now 52ms)",
                  "soft hits below 10 never arrive on T3: Hihat: lower Treshold (now 8)",
                  "T5: Tom 2 fires when T2: Snare is hit (9 times, velocity at most 19): raise "
                  "Tom 2's Treshold (now 8) or put both in one Crosstalk Group"}));
    const auto suggestions = td7::Suggest(check, td7::PadValues(dumps, kPatch, check.Pads()));
    const td7::TSuggestion& mask = suggestions[1];
    ASSERT_TRUE(mask.Step);
    EXPECT_EQ(mask.Step->Parameter->Name, "txMaskTime");
    EXPECT_EQ(mask.Step->Record, td7::TriggerRecord(kPatch, kSnare));
    EXPECT_EQ(mask.Step->Value, 14);
    EXPECT_EQ(mask.Label, "Raise Mask Time");

    // At the top of their ranges the steps move on to what is left; in one group the
    // crosstalk advice keeps to the Treshold.
    Set(kSnare, "txMaskTime", 31);
    Set(kKick, "txMaxDyna", 16);
    Set(kHihat, "txTreshold", 1);
    Set(kSnare, "txCrosstalk", 5);
    Set(kTom2, "txCrosstalk", 5);
    EXPECT_EQ(Texts(check),
              (std::vector<std::string>{
                  "T2: Snare: 7 double hits 12\u201324 ms apart: raise Treshold (now 8)",
                  "T5: Tom 2 fires when T2: Snare is hit (9 times, velocity at most 19): raise "
                  "Tom 2's Treshold (now 8)"}));
    Set(kTom2, "txTreshold", 16);
    Set(kTom2, "txCrosstalk", 0);
    const auto joined = td7::Suggest(check, td7::PadValues(dumps, kPatch, check.Pads()));
    EXPECT_EQ(joined.back().Text,
              "T5: Tom 2 fires when T2: Snare is hit (9 times, velocity at most 19): put both in "
              "one Crosstalk Group");
    ASSERT_TRUE(joined.back().Step);
    EXPECT_EQ(joined.back().Step->Value, 5);

    // Without the patch's values: the direction alone, nothing to apply.
    const auto bare = td7::Suggest(check, {});
    EXPECT_EQ(bare[1].Text, "T2: Snare: 7 double hits 12\u201324 ms apart: raise Mask Time");
    EXPECT_FALSE(bare[1].Step);
}

TEST_F(TriggerCheck, TheHitsFileHasALineANote) {
    TTriggerCheck check = Check();
    check.Record(0.5, Note(kSnare), 100);
    check.Record(0.51234, Note(kSnare), 30);
    check.Record(0.6, 30, 64);
    EXPECT_EQ(td7::HitsCsv(check),
              "seconds,note,velocity,trigger,flag\n"
              "0.5000,42,100,T2: Snare,\n"
              "0.5123,42,30,T2: Snare,double\n"
              "0.6000,30,64,,\n");
}

}  // namespace
