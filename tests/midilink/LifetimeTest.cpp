#include <gtest/gtest.h>

#include <memory>

#include "midilink/DumpCollection.h"
#include "midilink/MidiCom.h"
#include "tests/support/RecordingLink.h"

// Collections, links and bindings refer to each other without owning each other; whoever
// goes first is forgotten by the rest. Run under the sanitizer build, a dangling pointer
// shows up as a use after free.

using namespace midilink;
using testsupport::RecordingLink;

namespace {

struct World {
    World() {
        link = std::make_unique<RecordingLink>();
        dump = std::make_unique<TDumpCollection>("ProgDump");
        dump->SetSize(12);
        dump->SetCount(2);
        dump->SetMidiLink(link.get());
        com = std::make_unique<TValueMidiCom>();
        com->SetDumpIndex(9);
        com->SetMidiDump(dump.get());
        com->SetMidiLink(link.get());
        com->SetMidiCommand("C9d0");
    }
    std::unique_ptr<RecordingLink> link;
    std::unique_ptr<TDumpCollection> dump;
    std::unique_ptr<TValueMidiCom> com;
};

TEST(Lifetime, EveryDestructionOrderLeavesNoDanglingReference) {
    // Each permutation of (link, dump, com); after each destruction the survivors are used.
    const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (const auto& order : orders) {
        World w;
        for (int step : order) {
            if (step == 0) w.link.reset();
            if (step == 1) w.dump.reset();
            if (step == 2) w.com.reset();
            if (w.com) {
                EXPECT_EQ(w.com->MidiLink(), w.link.get());
                EXPECT_EQ(w.com->MidiDump(), w.dump.get());
                if (w.dump) w.dump->SetIndex(0);
                w.com->SetValue(1);
            }
            if (w.dump) {
                EXPECT_EQ(w.dump->MidiLink(), w.link.get());
                EXPECT_EQ(w.dump->Coms().size(), w.com ? 1u : 0u);
                w.dump->SendRecord(1);
            }
            if (w.link) {
                EXPECT_EQ(w.link->Coms().size(), w.com ? 1u : 0u);
                EXPECT_EQ(w.link->Dumps().size(), w.dump ? 1u : 0u);
                const std::uint8_t msg[12] = {0xF0};
                w.link->OfferSysex(msg, 12);
            }
        }
    }
}

}  // namespace
