// The trigger check against the simulator's model of a badly set-up kit, which is written
// from what the parameters mean and not from the check: the check finds each fault, and its
// suggestions, applied one step at a time, make the fault go away. Time is the model's, so
// that a few minutes of playing take milliseconds.

#include <gtest/gtest.h>

#include <random>

#include "simulator/Drummer.h"
#include "simulator/Td7Module.h"
#include "simulator/TriggerModel.h"
#include "td7/triggers/PadHits.h"
#include "td7/map/Td7Collections.h"
#include "td7/triggers/TriggerCheck.h"
#include "td7/triggers/TriggerSuggestions.h"

namespace {

using simulator::Td7Module;

class TriggerLoop : public ::testing::Test {
  protected:
    TriggerLoop() {
        // Patch 1 of the factory content, as Request Current leaves it.
        Td7Module module;
        module.LoadFactory();
        const auto take = [&](midilink::TDumpCollection& dump, int record,
                              const simulator::Block& block) {
            dump.Records(record).CopyFrom(module.DataSetOf(block).data());
        };
        take(dumps.ProgDump, 0, Td7Module::CommonBlock(0));
        for (int t = 0; t < td7::kTriggersPerPatch; ++t)
            take(dumps.TriggerDump, td7::TriggerRecord(0, t), Td7Module::TriggerBlock(0, t));
    }

    // The kit played for `hits` hits, four a second, through the triggers as the mirror
    // holds them.
    td7::TTriggerCheck Play(const simulator::TriggerFaults& faults, int hits) {
        std::vector<simulator::TriggerSettings> patch;
        for (int t = 0; t < td7::kTriggersPerPatch; ++t) {
            const std::uint8_t* record = dumps.TriggerDump.Records(td7::TriggerRecord(0, t)).Data();
            patch.push_back(simulator::TriggerSettings::FromBlock({record + 9, 11}));
        }
        td7::TTriggerCheck check(td7::TPadMap::OfPatch(dumps, 0));
        for (int k = 0; k < hits; ++k) {
            const double at = m_played++ * 0.25;
            const simulator::DrumHit hit = simulator::DrummerHit(m_played);
            for (const simulator::TriggerNote& note :
                 simulator::TriggerNotes(hit, patch, faults, m_random))
                check.Record(at + std::chrono::duration<double>(note.offset).count(),
                             td7::TriggerNote(dumps, 0, note.trigger), note.velocity);
        }
        return check;
    }
    // Apply: the step written as the parameter's control writes it.
    void Apply(const td7::TSuggestion& s) {
        ASSERT_TRUE(s.Step) << s.Text;
        const td7::TParameter& row = *s.Step->Parameter;
        dumps.TriggerDump.Records(s.Step->Record)
            .SetBytes(row.DumpIndex, static_cast<std::uint8_t>(s.Step->Value + row.Offset));
    }
    // Rounds of playing, each followed by every suggestion that mentions `what`, until
    // `count` of the check is zero; the rounds it took, or -1.
    template <class Count>
    int Tune(const simulator::TriggerFaults& faults, const std::string& what, Count count) {
        for (int round = 0; round < 20; ++round) {
            const td7::TTriggerCheck check = Play(faults, 400);
            if (count(check) == 0) return round;
            int applied = 0;
            for (const td7::TSuggestion& s :
                 td7::Suggest(check, td7::PadValues(dumps, 0, check.Pads())))
                if (s.Text.find(what) != std::string::npos) {
                    Apply(s);
                    ++applied;
                }
            if (applied == 0) return -1;
        }
        return -1;
    }

    td7::TTd7Collections dumps{nullptr, nullptr, nullptr};
    std::mt19937 m_random{7};
    std::uint64_t m_played = 0;
};

TEST_F(TriggerLoop, DoubleTriggersGoAsMaskTimeIsRaisedStepByStep) {
    const simulator::TriggerFaults faults{.doubles = true};
    const auto doubles = [](const td7::TTriggerCheck& check) {
        int n = 0;
        for (int pad = 0; pad < check.Pads().Count(); ++pad) n += check.Counts(pad).Doubles;
        return n;
    };
    ASSERT_GT(doubles(Play(faults, 400)), 50);
    const int rounds = Tune(faults, "raise Mask Time", doubles);
    EXPECT_GT(rounds, 1);
    EXPECT_NE(rounds, -1);
}

TEST_F(TriggerLoop, CrosstalkGoesAsTheReceivingPadsTresholdIsRaised) {
    const simulator::TriggerFaults faults{.crosstalk = true};
    const auto crosstalk = [](const td7::TTriggerCheck& check) {
        int n = 0;
        for (const auto& [pair, c] : check.Crosstalk()) n += c.Count;
        return n;
    };
    ASSERT_GT(crosstalk(Play(faults, 400)), 10);
    const int rounds = Tune(faults, "'s Treshold", crosstalk);
    EXPECT_GT(rounds, 1);
    EXPECT_NE(rounds, -1);
}

TEST_F(TriggerLoop, HotPadsCoolAsMaximumDynamicRangeIsRaised) {
    const simulator::TriggerFaults faults{.hot = true};
    // The fault is a pad whose hits reach 127 too often; the hardest accents may.
    const auto hot = [](const td7::TTriggerCheck& check) {
        int n = 0;
        for (int pad = 0; pad < check.Pads().Count(); ++pad)
            n += check.Counts(pad).Hits >= td7::kHotHits &&
                 check.Counts(pad).ShareAt127() >= td7::kHotShare;
        return n;
    };
    ASSERT_GE(hot(Play(faults, 400)), 3);
    const int rounds = Tune(faults, "raise Maximum Dynamic Range", hot);
    EXPECT_GT(rounds, 1);
    EXPECT_NE(rounds, -1);
}

}  // namespace

