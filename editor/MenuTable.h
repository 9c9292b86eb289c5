#pragma once

// The main window's menu bar as data, and when each command may run. The Qt menu is built
// from this table; a command whose feature is not built yet has no handler and stays
// disabled.

#include <cstdint>
#include <string_view>
#include <vector>

namespace app {

enum class TCommand : std::uint8_t {
    None,  // separators and submenu parents without a command of their own
    SaveSetup,
    LoadSetup,
    Exit,
    PatchLoad,
    PatchSave,
    PatchMoveTo,        // submenu; its numbered entries carry the target slot
    PatchExchangeWith,  // submenu; likewise
    RequestCurrent,
    TransmitCurrent,
    RequestAll,
    TransmitAll,
    InstEdit,
    InstLoad,
    InstSave,
    InstRequest,
    InstTransmit,
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
    FollowPadHits,
    HelpContents,
    About,
};
inline constexpr int kCommandCount = static_cast<int>(TCommand::About) + 1;

struct TMenuNode {
    std::string_view Text;  // "-" for a separator
    std::string_view Name;  // object name of the menu item
    TCommand Command = TCommand::None;
    std::string_view Shortcut;
    int NumberedEntries = 0;  // a submenu of entries "1".."N" that run Command
    std::vector<TMenuNode> Children;
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
};

// Whether a command may run in the given state. While a transfer runs, everything that
// would start another transfer, touch files or open a modal window is off: those would
// run inside the transfer's wait.
bool CommandEnabled(TCommand command, const TCommandState& state);

}  // namespace app
