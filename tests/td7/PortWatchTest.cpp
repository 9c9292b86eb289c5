// The chosen devices vanishing from the system's lists and coming back, over the fake
// service, as a replugged interface or a restarted JACK client does it.
#include "td7/session/PortWatch.h"
#include "tests/td7/EditorPorts.h"

namespace hardening {
namespace {

using TChange = td7::TPortWatch::TChange;

class PortWatch : public EditorPorts {
  protected:
    void SetUp() override {
        EditorPorts::SetUp();
        watch.OnChange = [this](TChange change) { changes.push_back(change); };
        watch.Choose();
    }
    struct NoProgress : td7::TTransferProgress {
        void Step() override {}
        bool CancelRequested() const override { return false; }
    } progress;
    td7::TPortWatch& watch = session.PortWatch();
    std::vector<TChange> changes;
};

TEST_F(PortWatch, AVanishedDeviceIsClosedAndReopenedByNameWhenItReturns) {
    EXPECT_EQ(watch.Poll(), TChange::None);
    fake.Unplug("TD-7 In");
    fake.Unplug("TD-7 Out");
    EXPECT_EQ(watch.Poll(), TChange::Gone);
    EXPECT_FALSE(input.IsOpen());
    EXPECT_FALSE(output.IsOpen());
    EXPECT_EQ(watch.GoneText(), "The MIDI devices \"TD-7 In\" and \"TD-7 Out\" are gone.");
    EXPECT_EQ(watch.ChangeText(TChange::Gone),
              "The MIDI devices \"TD-7 In\" and \"TD-7 Out\" are gone. Tamboro opens them "
              "again when they come back.");
    // The choice is kept for the settings file while the devices are away.
    EXPECT_EQ(watch.Output().Setting, 2);
    EXPECT_EQ(watch.Output().Name, "TD-7 Out");

    // A transmission into the vanished device stops at once, saying why.
    session.Present().SetSystemPresent(true);
    try {
        session.Transfers().TransmitPatch(0, progress);
        FAIL() << "sent into nothing";
    } catch (const td7::TransferError& e) {
        EXPECT_EQ(std::string(e.what()), watch.GoneText());
    }

    // Listed again: reopened only when the caller allows it (not under a transfer).
    fake.Plug("TD-7 In");
    fake.Plug("TD-7 Out");
    EXPECT_EQ(watch.Poll(false), TChange::None);
    EXPECT_FALSE(input.IsOpen());
    EXPECT_EQ(watch.Poll(), TChange::Back);
    EXPECT_TRUE(input.IsOpen());
    EXPECT_TRUE(output.IsOpen());
    EXPECT_EQ(watch.ChangeText(TChange::Back),
              "The MIDI devices \"TD-7 In\" and \"TD-7 Out\" are back.");
    EXPECT_TRUE(watch.GoneText().empty());
    EXPECT_EQ(changes, (std::vector<TChange>{TChange::Gone, TChange::Back}));
    EXPECT_EQ(watch.Poll(), TChange::None);

    // What comes back under another number is found by its name; a device of another
    // name at the old number is left alone.
    fake.Unplug("TD-7 Out");
    EXPECT_EQ(watch.Poll(), TChange::Gone);
    EXPECT_EQ(watch.GoneText(), "The MIDI device \"TD-7 Out\" is gone.");
    fake.AddOutput("Synth");
    EXPECT_EQ(watch.Poll(), TChange::None);
    fake.AddOutput("TD-7 Out");
    EXPECT_EQ(watch.Poll(), TChange::Back);
    EXPECT_EQ(watch.ChangeText(TChange::Back), "The MIDI device \"TD-7 Out\" is back.");
    EXPECT_EQ(watch.Output().Setting, 3);
    session.Dumps().SystemDump.SendCurrent();
    EXPECT_EQ(fake.SentTo(2).size(), 1u);
    EXPECT_FALSE(fake.OutputOpen(1));
}

TEST_F(PortWatch, APortThatClosedItselfCountsAsGoneAndTheMapperIsNotWatched) {
    fake.LoseInput(0);
    inWindow.Pump();
    EXPECT_EQ(watch.Poll(false), TChange::Gone);
    EXPECT_EQ(watch.GoneText(), "The MIDI device \"TD-7 In\" is gone.");

    // The mapper is this program's own port; nothing chosen, nothing watched.
    input.Close();
    output.Close();
    output.SetDeviceID(-1);
    ASSERT_TRUE(output.Open());
    watch.Choose();
    fake.Unplug("TD-7 Out");
    EXPECT_EQ(watch.Poll(), TChange::None);
    EXPECT_TRUE(output.IsOpen());
    EXPECT_EQ(watch.Output().Setting, 0);
}

}  // namespace
}  // namespace hardening
