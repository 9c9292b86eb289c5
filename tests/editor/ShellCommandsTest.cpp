#include <gtest/gtest.h>

#include <set>
#include <string>

#include "editor/shell/Caption.h"
#include "editor/shell/MenuTable.h"
#include "td7/Version.h"

namespace {

using app::TCommand;

TEST(ShellCaption, FileNameChangeMarkTitleAndVersion) {
    EXPECT_EQ(app::MainCaption("", false), "Untitled.td7 - Tamboro V1.2");
    EXPECT_EQ(app::MainCaption("", true), "Untitled.td7* - Tamboro V1.2");
    EXPECT_EQ(app::MainCaption("/home/u/kits/Rock Kit.TD7", true), "Rock Kit.TD7* - Tamboro V1.2");
    EXPECT_EQ(app::VersionText(), "Version 1.2 build 16");
}

void CollectCommands(const std::vector<app::TMenuNode>& nodes, std::multiset<TCommand>& out) {
    for (const auto& n : nodes) {
        if (n.Command != TCommand::None) out.insert(n.Command);
        CollectCommands(n.Children, out);
    }
}

TEST(ShellCommands, EveryCommandHasExactlyOneMenuEntry) {
    std::multiset<TCommand> seen;
    CollectCommands(app::MainMenuTable(), seen);
    for (int c = 1; c < app::kCommandCount; ++c)
        EXPECT_EQ(seen.count(static_cast<TCommand>(c)), 1u) << c;
}

TEST(ShellCommands, PresentStatesEnableTheirCommands) {
    app::TCommandState s;
    for (TCommand c : {TCommand::PatchSave, TCommand::TransmitCurrent, TCommand::PatchMoveTo,
                       TCommand::InstEdit, TCommand::InstSave, TCommand::InstTransmit,
                       TCommand::SysEdit, TCommand::SysSave, TCommand::SysTransmit})
        EXPECT_FALSE(app::CommandEnabled(c, s)) << static_cast<int>(c);
    for (TCommand c : {TCommand::RequestCurrent, TCommand::RequestAll, TCommand::TransmitAll,
                       TCommand::InstRequest, TCommand::SysRequest, TCommand::MidiDevices})
        EXPECT_TRUE(app::CommandEnabled(c, s)) << static_cast<int>(c);

    s.PatchEditing = true;
    EXPECT_TRUE(app::CommandEnabled(TCommand::PatchSave, s));
    EXPECT_FALSE(app::CommandEnabled(TCommand::TransmitCurrent, s));
    s.CurrentPatchPresent = true;
    EXPECT_TRUE(app::CommandEnabled(TCommand::TransmitCurrent, s));
    s.InstrumentsPresent = true;
    EXPECT_TRUE(app::CommandEnabled(TCommand::InstTransmit, s));
    EXPECT_FALSE(app::CommandEnabled(TCommand::SysTransmit, s));
    s.SystemPresent = true;
    EXPECT_TRUE(app::CommandEnabled(TCommand::SysTransmit, s));
}

TEST(ShellCommands, ARunningTransferLeavesOnlyHarmlessCommands) {
    app::TCommandState s{true, true, true, true, true};
    std::set<TCommand> enabled;
    for (int c = 1; c < app::kCommandCount; ++c)
        if (app::CommandEnabled(static_cast<TCommand>(c), s))
            enabled.insert(static_cast<TCommand>(c));
    EXPECT_EQ(enabled, (std::set<TCommand>{TCommand::BackgroundBlack, TCommand::BackgroundGray,
                                           TCommand::BackgroundSilver, TCommand::FollowPadHits,
                                           TCommand::HelpContents}));
}

}  // namespace
