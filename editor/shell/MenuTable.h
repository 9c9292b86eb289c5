#pragma once

// The main window's menu bar as data, and when each command may run. The Qt menu is built
// from this table; a command whose feature is not built yet has no handler and stays
// disabled.

#include <cstdint>
#include <string_view>
#include <vector>

namespace editor {

enum class TCommand : std::uint8_t {
    None,  // separators and submenu parents without a command of their own
    SaveSetup,
    LoadSetup,
    Library,
    OpenRecent,  // inline entries "1".."8" of the File menu, one per recent setup
    Exit,
    Undo,  // "Undo <step>"; its text follows the history
    Redo,
    CopySettings,  // the selected trigger's or note-map entry's settings
    PasteSettings,
    PatchLoad,
    PatchSave,
    PatchMoveTo,        // submenu; its numbered entries carry the target slot
    PatchExchangeWith,  // submenu; likewise
    RequestCurrent,
    TransmitCurrent,
    RequestAll,
    TransmitAll,
    TransmitDifferences,
    CompareWith,
    TriggerCheck,
    InstEdit,
    InstLoad,
    InstSave,
    InstRequest,
    InstTransmit,
    InstTransmitDifferences,
    SysEdit,
    SysLoad,
    SysSave,
    SysRequest,
    SysTransmit,
    MidiDevices,
    ViewPatchCommon,
    ViewTrigger,
    ViewNotemap,
    BackgroundBlack,
    BackgroundGray,
    BackgroundSilver,
    VerifyTransmissions,  // a check mark, kept in the settings
    FastTransfers,        // the same
    FollowPadHits,
    PlayGroove,  // "Play Groove"; "Stop" while a groove or a run plays
    PlayTempo,
    PlayLoop,  // a check mark
    VelocityRun,
    HelpContents,
    About,
};
inline constexpr int kCommandCount = static_cast<int>(TCommand::About) + 1;
inline constexpr int kRecentSetupEntries = 8;

struct TMenuNode {
    std::string_view Text;  // "-" for a separator
    std::string_view Name;  // object name of the menu item
    TCommand Command = TCommand::None;
    std::string_view Shortcut;
    int NumberedEntries = 0;  // a submenu of entries "1".."N" that run Command
    std::vector<TMenuNode> Children;
    // The numbered entries sit in the menu itself after a separator of their own, with
    // shortcuts Alt+1..Alt+N; hidden until given a text (MainMenu::SetEntryTexts).
    bool Inline = false;
    bool Checkable = false;  // a check item: each choice flips its mark
};

// The menu bar, menus in order, entries top to bottom.
const std::vector<TMenuNode>& MainMenuTable();

// What the enabling of the commands depends on.
struct TCommandState {
    bool PatchEditing = false;         // the current slot is being edited
    bool CurrentPatchPresent = false;  // the current slot holds a patch
    bool InstrumentsPresent = false;
    bool SystemPresent = false;
    bool Busy = false;  // a transfer runs
    bool CanUndo = false;
    bool CanRedo = false;
};

// Whether a command may run in the given state. While a transfer runs, everything that
// would start another transfer, touch files or open a modal window is off: those would
// run inside the transfer's wait.
bool CommandEnabled(TCommand command, const TCommandState& state);

}  // namespace editor
