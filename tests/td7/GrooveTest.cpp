// Groove files' faults and their one-line messages, and each role's trigger on a patch. A
// good file reading back is the player harness's; the folders are the "grooves" command's.

#include <gtest/gtest.h>

#include "td7/audition/Groove.h"
#include "td7/audition/KitNotes.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"

namespace {

using td7::GrooveError;
using td7::Role;

std::string ErrorOf(const std::string& text) {
    try {
        td7::ParseGroove(text, "my.groove", "my");
    } catch (const GrooveError& e) {
        return e.what();
    }
    return "";
}

TEST(GrooveFile, EachFaultHasItsOwnLine) {
    const std::string header = "bars: 1\nbeats: 2\nsteps-per-beat: 2\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {header + "kick 1 . . .\n", "my.groove:4: expected \"role: steps\" or \"key: value\""},
        {header + "cowbell: 1 . . .\n", "my.groove:4: unknown key or role \"cowbell\""},
        {header + "kick: 1 . . 128\n",
         "my.groove:4: \"128\" is no step: a velocity from 1 to 127, or \".\""},
        {header + "kick: 1 . x .\n",
         "my.groove:4: \"x\" is no step: a velocity from 1 to 127, or \".\""},
        {header + "kick: 0 . . .\n",
         "my.groove:4: \"0\" is no step: a velocity from 1 to 127, or \".\""},
        {header + "kick: 1 . .\n",
         "my.groove:4: kick has 3 steps, not 4 (bars x beats x steps-per-beat)"},
        {header + "kick: 1 . . .\nkick: . 1 . .\n", "my.groove:5: \"kick\" given twice"},
        {"bars: 5\nkick: 1\n", "my.groove:1: bars must be a number from 1 to 4"},
        {"bars: 1\nbeats: 0\n", "my.groove:2: beats must be a number from 1 to 12"},
        {"steps-per-beat: 2.5\n", "my.groove:1: steps-per-beat must be a number from 1 to 8"},
        {"bars: 1\nbars: 2\n", "my.groove:2: \"bars\" given twice"},
        {"kick: 1\n", "my.groove:1: kick has 1 step, not 16 (bars x beats x steps-per-beat)"},
        {"name:\n", "my.groove:1: the name must be 1 to 40 printable characters"},
        {"name: a\tb\n", "my.groove:1: the name must be 1 to 40 printable characters"},
        {header + "kick: . . . .\n", "my.groove: no steps to play"},
        {"", "my.groove: no steps to play"},
        {std::string("\x01\x02:\n"), "my.groove:1: unknown key or role \"??\""},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.text), c.error) << c.text;
}

TEST(KitNotes, EachRoleTakesItsTriggersNoteAndGate) {
    td7::TTd7Collections dumps(nullptr, nullptr, nullptr);
    td7::TPresentFlags present;
    const int p = 3;
    EXPECT_EQ(td7::KitNotesOfPatch(dumps, present, p), td7::TKitNotes{});  // an empty slot
    present.SetPatchPresent(p, true);
    // Every trigger on note 40 + entry, gate 1 + entry tenths.
    for (int t = 0; t < td7::kTriggersPerPatch; ++t) {
        midilink::TMidiDump& record = dumps.TriggerDump.Records(td7::TriggerRecord(p, t));
        record.SetBytes(9, static_cast<std::uint8_t>(40 + t));
        record.SetBytes(10, static_cast<std::uint8_t>(1 + t));
    }
    dumps.ProgDump.Records(p).SetBytes(52, 40 + td7::kHihatPedalEntry);
    dumps.ProgDump.Records(p).SetBytes(53, 1 + td7::kHihatPedalEntry);
    const struct {
        Role role;
        int entry;  // T1 kick 0 .. T9 crash 16, the pedal 18
    } table[] = {{Role::Kick, 0},        {Role::Snare, 2},     {Role::SnareRim, 3},
                 {Role::HihatClosed, 4}, {Role::HihatOpen, 5}, {Role::HihatPedal, 18},
                 {Role::Tom1, 6},        {Role::Tom2, 8},      {Role::Tom3, 10},
                 {Role::Tom4, 12},       {Role::Ride, 14},     {Role::RideBell, 15},
                 {Role::Crash, 16}};
    const td7::TKitNotes kit = td7::KitNotesOfPatch(dumps, present, p);
    for (const auto& row : table) {
        const td7::TRoleNote expected{40 + row.entry,
                                      std::chrono::milliseconds(100 + 100 * row.entry)};
        EXPECT_EQ(kit[static_cast<std::size_t>(row.role)], expected) << td7::RoleName(row.role);
        EXPECT_EQ(td7::RoleOfName(td7::RoleName(row.role)), row.role);
    }

    // A role without a note is named, once, in role order.
    td7::TKitNotes partial = kit;
    partial[static_cast<std::size_t>(Role::RideBell)].reset();
    partial[static_cast<std::size_t>(Role::Kick)].reset();
    const td7::TGroove groove = td7::ParseGroove(
        "beats: 1\nsteps-per-beat: 2\nride-bell: 1 1\nsnare: 1 .\nkick: . 1\n", "g", "g");
    EXPECT_EQ(td7::MissingRoles(groove, partial), (std::vector<std::string>{"kick", "ride-bell"}));
    EXPECT_EQ(td7::MissingRoles(groove, kit), std::vector<std::string>{});
}

TEST(KitNotes, NoteOffsFollowTheSystemSwitch) {
    td7::TTd7Collections dumps(nullptr, nullptr, nullptr);
    td7::TPresentFlags present;
    EXPECT_TRUE(td7::ReceivesNoteOffs(dumps, present));  // no system block: release to be safe
    present.SetSystemPresent(true);
    dumps.SystemDump.Records(0).SetBytes(23, 0);
    EXPECT_FALSE(td7::ReceivesNoteOffs(dumps, present));
    dumps.SystemDump.Records(0).SetBytes(23, 1);
    EXPECT_TRUE(td7::ReceivesNoteOffs(dumps, present));
}

}  // namespace
