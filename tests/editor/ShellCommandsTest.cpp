#include <gtest/gtest.h>

#include <set>
#include <string>

#include "editor/shell/Caption.h"
#include "editor/shell/MenuTable.h"
#include "td7/Version.h"

namespace {

using editor::TCommand;

TEST(ShellCaption, FileNameChangeMarkTitleAndVersion) {
    EXPECT_EQ(editor::MainCaption("", false), "Untitled.td7 - Tamboro V1.2");
    EXPECT_EQ(editor::MainCaption("", true), "Untitled.td7* - Tamboro V1.2");
    EXPECT_EQ(editor::MainCaption("/home/u/kits/Rock Kit.TD7", true), "Rock Kit.TD7* - Tamboro V1.2");
    EXPECT_EQ(td7::VersionText(), "Version 1.2 build 16");
}

void CollectCommands(const std::vector<editor::TMenuNode>& nodes, std::multiset<TCommand>& out) {
    for (const auto& n : nodes) {
        if (n.Command != TCommand::None) out.insert(n.Command);
        CollectCommands(n.Children, out);
    }
}

TEST(ShellCommands, EveryCommandHasExactlyOneMenuEntry) {
    std::multiset<TCommand> seen;
    CollectCommands(editor::MainMenuTable(), seen);
    for (int c = 1; c < editor::kCommandCount; ++c)
        EXPECT_EQ(seen.count(static_cast<TCommand>(c)), 1u) << c;
}

TEST(ShellCommands, PresentStatesEnableTheirCommands) {
    editor::TCommandState s;
    for (TCommand c : {TCommand::PatchSave, TCommand::TransmitCurrent, TCommand::PatchMoveTo,
                       TCommand::InstEdit, TCommand::InstSave, TCommand::InstTransmit,
                       TCommand::SysEdit, TCommand::SysSave, TCommand::SysTransmit})
        EXPECT_FALSE(editor::CommandEnabled(c, s)) << static_cast<int>(c);
    for (TCommand c : {TCommand::RequestCurrent, TCommand::RequestAll, TCommand::TransmitAll,
                       TCommand::InstRequest, TCommand::SysRequest, TCommand::MidiDevices})
        EXPECT_TRUE(editor::CommandEnabled(c, s)) << static_cast<int>(c);

    s.PatchEditing = true;
    EXPECT_TRUE(editor::CommandEnabled(TCommand::PatchSave, s));
    EXPECT_FALSE(editor::CommandEnabled(TCommand::TransmitCurrent, s));
    s.CurrentPatchPresent = true;
    EXPECT_TRUE(editor::CommandEnabled(TCommand::TransmitCurrent, s));
    s.InstrumentsPresent = true;
    EXPECT_TRUE(editor::CommandEnabled(TCommand::InstTransmit, s));
    EXPECT_FALSE(editor::CommandEnabled(TCommand::SysTransmit, s));
    s.SystemPresent = true;
    EXPECT_TRUE(editor::CommandEnabled(TCommand::SysTransmit, s));
}

TEST(ShellCommands, ARunningTransferLeavesOnlyHarmlessCommands) {
    editor::TCommandState s{true, true, true, true, true};
    std::set<TCommand> enabled;
    for (int c = 1; c < editor::kCommandCount; ++c)
        if (editor::CommandEnabled(static_cast<TCommand>(c), s))
            enabled.insert(static_cast<TCommand>(c));
    EXPECT_EQ(enabled, (std::set<TCommand>{TCommand::BackgroundBlack, TCommand::BackgroundGray,
                                           TCommand::BackgroundSilver, TCommand::FollowPadHits,
                                           TCommand::HelpContents}));
}

}  // namespace
