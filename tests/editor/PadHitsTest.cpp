// Follow Pad Hits on the main window: a hit the module reports selects its trigger as a
// click on its pad would, without the audition note, and shows its velocity; notes that
// are no hits, and every note while the option is off, change nothing; a transfer or a knob
// held by the user keeps the selection; Request All completes under a stream of notes.

#include <QAction>

#include "controls/MidiKnob.h"
#include "editor/patch/DrumKit.h"
#include "editor/shell/MainMenu.h"
#include "editor/patch/PadHitFollower.h"
#include "editor/shell/StatusLine.h"
#include "editor/patch/VelocityRow.h"
#include "tests/editor/PatchFixture.h"

namespace patchtest {
namespace {

using editor::TCommand;

class PadHitsTest : public PatchEditorTest {
  protected:
    PadHitsTest() {
        // The module plays patch 3; the editor shows it.
        editor.wait->module.SetCurrentPatch(2);
        LoadPatch(2);
        SelectPatch(2);
        // The fades stand still, so that a flash can be measured.
        Kit()->Now = [] { return editor::TDrumKit::Clock::time_point{}; };
    }

    editor::TDrumKit* Kit() { return Patch().DrumKit(); }
    editor::TPadHitFollower& Hits() { return Patch().PadHits(); }
    QAction* Option() { return Main().Menu().Action(TCommand::FollowPadHits); }
    void SetOption(bool on) {
        if (Option()->isChecked() != on) Option()->trigger();
        ASSERT_EQ(Main().FollowPadHits(), on);
    }
    // The note-on the module sends when trigger t of its patch is hit.
    Bytes Hit(int t, int velocity) {
        const auto note = editor.wait->module.PadHit(t, velocity);
        return {note.begin(), note.end()};
    }
    void Receive(const std::vector<Bytes>& messages) {
        for (const Bytes& m : messages) editor.midi.Inject(0, m);
    }
    std::vector<int> Row() { return Hits().VelocityRow()->Velocities(); }
    QString Status() { return Main().Status().Text(); }
    int T() { return Patch().coTrigger()->currentIndex(); }
    static Bytes RecordBytes(midilink::TDumpCollection& dump, int i) {
        const auto& r = dump.Records(i);
        return {r.Data(), r.Data() + r.Size()};
    }
};

TEST_F(PadHitsTest, AHitSelectsItsTriggerAsAClickWouldAndShowsItsVelocity) {
    SetOption(true);
    ASSERT_EQ(T(), 0);
    TakeSent();
    Receive({Hit(2, 97)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return T() == 2; }));

    EXPECT_EQ(Kit()->Highlighted(), 2);
    EXPECT_EQ(Main().Dumps().TriggerDump.Index(), 18 * 2 + 2);
    EXPECT_EQ(Status(), "T2: Snare  97");
    EXPECT_EQ(Row(), std::vector<int>{97});
    EXPECT_DOUBLE_EQ(Kit()->FlashLevel(2), 97 / 127.0);
    EXPECT_EQ(Kit()->FlashLevel(0), 0);
    EXPECT_TRUE(TakeSent().empty()) << "no audition note goes back to the module";

    // The panel addresses the snare: an edit lands at its trigger record.
    auto* gate = Control<controls::TMidiKnob>("txGateTime");
    gate->setFocus();
    QTest::keyClick(gate, gate->Value() < gate->Max() ? Qt::Key_Up : Qt::Key_Down);
    EXPECT_EQ(TakeSent().front(), DataSet(0x02, 0x03, 0x01, gate->Value()));

    // Snare notes that are no hits (velocity 0, another channel), then a kick: only the
    // kick counts.
    Bytes offChannel = Hit(2, 50);
    offChannel[0] =
        static_cast<std::uint8_t>((offChannel[0] & 0xF0) | ((offChannel[0] + 1) & 0x0F));
    Bytes released = Hit(2, 50);
    released[2] = 0;
    Receive({released, offChannel, Hit(0, 120)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return T() == 0; }));
    EXPECT_EQ(Status(), "T1: Kick 120");
    EXPECT_EQ(Hits().History().Of(2), std::vector<int>{97});
    EXPECT_EQ(Row(), std::vector<int>{120});

    // A roll on the snare: the row keeps the last eight, newest last.
    std::vector<Bytes> roll;
    for (int v = 10; v <= 120; v += 10) roll.push_back(Hit(2, v));
    Receive(roll);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return T() == 2 && Row().size() == 8 && Row().back() == 120; }));
    EXPECT_EQ(Row(), (std::vector<int>{50, 60, 70, 80, 90, 100, 110, 120}));
}

TEST_F(PadHitsTest, WithTheOptionOffNotesNeverReachTheEditor) {
    // Off at the first start, and kept in the settings file.
    EXPECT_FALSE(Option()->isChecked());
    EXPECT_TRUE(Option()->isCheckable());
    EXPECT_FALSE(Main().CurrentSettings().FollowPadHits);

    const Bytes system = editor.wait->module.DataSetOf(Td7Module::SystemBlock());
    Receive({Hit(2, 97), system});
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return Main().Present().SystemPresent() || Main().MidiInput1().PendingCount() == 0;
    }));
    QCoreApplication::processEvents();
    EXPECT_EQ(T(), 0);
    EXPECT_TRUE(Hits().History().Of(2).empty());
    EXPECT_FALSE(Main().Session().PadHits().Pending());
    EXPECT_NE(Status(), "T2: Snare  97");

    SetOption(true);
    EXPECT_TRUE(Main().CurrentSettings().FollowPadHits);
    editor.boxes.SetNextAnswer(editor::TAnswer::No);  // the loaded patch is not saved
    Main().close();
    EXPECT_NE(editor.ReadSettings().find("FollowPadHits=1"), std::string::npos);
}

TEST_F(PadHitsTest, AKnobHeldByTheUserKeepsTheSelectionButHitsStillShow) {
    SetOption(true);
    auto* knob = Control<controls::TMidiKnob>("txTreshold");
    QTest::mousePress(knob, Qt::LeftButton, {}, knob->rect().center());
    Receive({Hit(2, 64)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Status() == "T2: Snare  64"; }));
    EXPECT_EQ(T(), 0);
    EXPECT_EQ(Hits().History().Of(2), std::vector<int>{64});
    EXPECT_GT(Kit()->FlashLevel(2), 0);
    QTest::mouseRelease(knob, Qt::LeftButton, {}, knob->rect().center());

    // Let go, the next hit selects again.
    Receive({Hit(2, 65)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return T() == 2; }));
}

TEST_F(PadHitsTest, RequestAllUnderAStreamOfNotesFillsEverySlotAndKeepsTheSelection) {
    SetOption(true);
    int notes = 0;
    editor.wait->duringWait = [&] {
        // Kick and snare, a few notes before each answer.
        Receive({Hit(0, 100), Hit(2, 40 + notes % 50), Hit(2, 41)});
        notes += 3;
    };
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    QAction* requestAll = Main().Menu().Action(TCommand::RequestAll);
    ASSERT_TRUE(requestAll->isEnabled());
    requestAll->trigger();
    editor.wait->duringWait = nullptr;

    EXPECT_TRUE(Errors().empty());
    EXPECT_GT(notes, 32 * 78);
    for (int p = 0; p < 32; ++p) {
        ASSERT_TRUE(Main().Present().PatchPresent(p)) << p;
        EXPECT_EQ(RecordBytes(Main().Dumps().ProgDump, p),
                  editor.wait->module.DataSetOf(Td7Module::CommonBlock(p)))
            << p;
        for (int t = 0; t < 18; ++t)
            ASSERT_EQ(RecordBytes(Main().Dumps().TriggerDump, 18 * p + t),
                      editor.wait->module.DataSetOf(Td7Module::TriggerBlock(p, t)))
                << p << " " << t;
    }
    // The hits showed all along, but the selection stayed where the user left it.
    QCoreApplication::processEvents();
    EXPECT_EQ(T(), 0);
    EXPECT_EQ(Row().size(), 8U);
    EXPECT_EQ(Row().back(), 100);
    EXPECT_EQ(Hits().History().Of(2).back(), 41);
}

}  // namespace
}  // namespace patchtest
