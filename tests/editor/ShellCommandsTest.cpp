#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <string_view>

#include <QChar>
#include <QString>

#include "editor/shell/Caption.h"
#include "editor/shell/MenuTable.h"
#include "td7/settings/Version.h"

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

// The letter after '&', lower case; none when the text has none.
QChar AccessKey(std::string_view text) {
    const auto amp = text.find('&');
    if (amp == std::string_view::npos || amp + 1 >= text.size()) return {};
    return QChar(text[amp + 1]).toLower();
}

TEST(ShellCommands, TheOptionsMenuGivesEachEntryItsOwnAccessKey) {
    const auto& bar = editor::MainMenuTable();
    const auto options = std::find_if(bar.begin(), bar.end(), [](const editor::TMenuNode& n) {
        return n.Name == "Options1";
    });
    ASSERT_NE(options, bar.end());
    std::set<QChar> keys;
    for (const editor::TMenuNode& entry : options->Children) {
        const QChar key = AccessKey(entry.Text);
        EXPECT_FALSE(key.isNull()) << entry.Text;
        EXPECT_TRUE(keys.insert(key).second) << entry.Text << " repeats " << QString(key).toStdString();
        // The '&' only marks the key: the text itself stays as it was.
        std::string plain(entry.Text);
        if (const auto at = plain.find('&'); at != std::string::npos) plain.erase(at, 1);
        if (entry.Command == TCommand::VerifyTransmissions) {
            EXPECT_EQ(plain, "Verify Transmissions");
        }
        if (entry.Command == TCommand::FastTransfers) {
            EXPECT_EQ(plain, "Fast Transfers");
        }
        if (entry.Command == TCommand::FollowPadHits) {
            EXPECT_EQ(plain, "Follow Pad Hits");
        }
    }
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
                                           TCommand::HelpContents, TCommand::TriggerCheck,
                                           TCommand::PlayLoop}));
}

}  // namespace
