#include "editor/shell/MenuTable.h"

namespace editor {

namespace {

using C = TCommand;

TMenuNode Item(std::string_view text, std::string_view name, TCommand command,
               std::string_view shortcut = {}) {
    return {text, name, command, shortcut, 0, {}};
}
TMenuNode Numbered(std::string_view text, std::string_view name, TCommand command) {
    return {text, name, command, {}, 32, {}};
}
TMenuNode Recent(std::string_view name, TCommand command, int count) {
    return {{}, name, command, {}, count, {}, true};
}

TMenuNode Check(std::string_view text, std::string_view name, TCommand command) {
    return {text, name, command, {}, 0, {}, false, true};
}
TMenuNode Separator() {
    return {"-", {}, C::None, {}, 0, {}};
}
TMenuNode Menu(std::string_view text, std::string_view name, std::vector<TMenuNode> children) {
    return {text, name, C::None, {}, 0, std::move(children)};
}

}  // namespace

const std::vector<TMenuNode>& MainMenuTable() {
    static const std::vector<TMenuNode> table = {
        Menu("&File", "File1",
             {Item("&Save Setup...", "miSaveSetup", C::SaveSetup),
              Item("&Load Setup...", "miLoadSetup", C::LoadSetup),
              Recent("miRecent", C::OpenRecent, kRecentSetupEntries), Separator(),
              Item("L&ibrary...", "miLibrary", C::Library, "Ctrl+L"), Separator(),
              Item("E&xit", "Exit1", C::Exit, "Alt+F4")}),
        Menu("&Edit", "Edit1",
             {Item("&Undo", "miUndo", C::Undo, "Ctrl+Z"),
              Item("&Redo", "miRedo", C::Redo, "Ctrl+Shift+Z; Ctrl+Y"), Separator(),
              Item("&Copy", "miCopySettings", C::CopySettings, "Ctrl+C"),
              Item("&Paste", "miPasteSettings", C::PasteSettings, "Ctrl+V")}),
        Menu("&Patch", "Patch1",
             {Item("&Load...", "miPatchLoad", C::PatchLoad),
              Item("&Save...", "miPatchSave", C::PatchSave),
              Numbered("&Move To", "miMoveTo", C::PatchMoveTo),
              Numbered("&Exchange With", "miExchangeWith", C::PatchExchangeWith), Separator(),
              Item("&Request Current", "miRequestCurrent", C::RequestCurrent),
              Item("&Transmit Current", "miTransmitCurrent", C::TransmitCurrent),
              Item("Request &All", "miRequestAll", C::RequestAll),
              Item("Transmit A&ll", "miTransmitAll", C::TransmitAll),
              Item("Transmit &Differences", "miTransmitDifferences", C::TransmitDifferences),
              Separator(), Item("&Compare With...", "miCompareWith", C::CompareWith),
              Item("Tri&gger Check...", "miTriggerCheck", C::TriggerCheck)}),
        Menu("&Instruments", "Instruments1",
             {Item("&Edit", "miInstEdit", C::InstEdit), Separator(),
              Item("&Load...", "miInstLoad", C::InstLoad),
              Item("&Save...", "miInstSave", C::InstSave), Separator(),
              Item("&Request", "miInstRequest", C::InstRequest),
              Item("&Transmit", "miInstTransmit", C::InstTransmit),
              Item("Transmit &Differences", "miInstTransmitDifferences",
                   C::InstTransmitDifferences)}),
        Menu("&System", "System1",
             {Item("&Edit...", "miSysEdit", C::SysEdit), Separator(),
              Item("&Load...", "miSysLoad", C::SysLoad), Item("&Save...", "miSysSave", C::SysSave),
              Separator(), Item("&Request", "miSysRequest", C::SysRequest),
              Item("&Transmit", "miSysTransmit", C::SysTransmit)}),
        Menu("&Options", "Options1",
             {Item("&Midi Devices...", "miMidiDevices", C::MidiDevices),
              Menu("&View", "View1",
                   {Item("Patch Common", "PatchCommon1", C::ViewPatchCommon),
                    Item("Trigger", "TomTrigger1", C::ViewTrigger),
                    Item("Notemap", "Notemap1", C::ViewNotemap)}),
              Menu("&Background", "Background1",
                   {Item("Black", "Black1", C::BackgroundBlack),
                    Item("Gray", "Gray1", C::BackgroundGray),
                    Item("Silver", "Silver1", C::BackgroundSilver)}),
              // V belongs to View: R and F are still free in this menu.
              Check("Ve&rify Transmissions", "miVerifyTransmissions", C::VerifyTransmissions),
              Check("Fa&st Transfers", "miFastTransfers", C::FastTransfers),
              Check("&Follow Pad Hits", "miFollowPadHits", C::FollowPadHits)}),
        // F5 is free in every window; the groove submenu is filled with the grooves found.
        Menu("&Play", "Play1",
             {Item("&Play Groove", "miPlayGroove", C::PlayGroove, "F5"),
              Item("&Tempo...", "miPlayTempo", C::PlayTempo),
              Check("&Loop", "miPlayLoop", C::PlayLoop), Separator(),
              Item("&Velocity Run", "miVelocityRun", C::VelocityRun)}),
        Menu("&Help", "Help1",
             {Item("&Contents...", "miHelpContents", C::HelpContents), Separator(),
              Item("&About...", "About1", C::About)}),
    };
    return table;
}

bool CommandEnabled(TCommand command, const TCommandState& s) {
    switch (command) {
        case C::None:
        case C::BackgroundBlack:
        case C::BackgroundGray:
        case C::BackgroundSilver:
        case C::FollowPadHits:
        case C::HelpContents:
        // A check mark the next playing reads.
        case C::PlayLoop:
        // It only listens: also while a transfer runs, and for an empty slot.
        case C::TriggerCheck:
            return true;
        case C::Undo:
            return s.CanUndo && !s.Busy;
        case C::Redo:
            return s.CanRedo && !s.Busy;
        case C::CopySettings:
        case C::PasteSettings:
        case C::CompareWith:
        case C::PatchSave:
        case C::PatchMoveTo:
        case C::PatchExchangeWith:
            return s.PatchEditing && !s.Busy;
        case C::TransmitCurrent:
            return s.PatchEditing && s.CurrentPatchPresent && !s.Busy;
        case C::VelocityRun:
            return s.CurrentPatchPresent && !s.Busy;
        // Playing goes on while the user edits; a transfer stops it before it starts, and
        // none begins inside its wait (the tempo's box is modal).
        case C::PlayGroove:
        case C::PlayTempo:
            return !s.Busy;
        case C::InstEdit:
        case C::InstSave:
        case C::InstTransmit:
        case C::InstTransmitDifferences:
            return s.InstrumentsPresent && !s.Busy;
        case C::SysEdit:
        case C::SysSave:
        case C::SysTransmit:
            return s.SystemPresent && !s.Busy;
        case C::SaveSetup:
        case C::LoadSetup:
        case C::OpenRecent:
        case C::Exit:
        case C::PatchLoad:
        case C::RequestCurrent:
        case C::RequestAll:
        case C::TransmitAll:
        case C::TransmitDifferences:
        case C::InstLoad:
        case C::InstRequest:
        case C::SysLoad:
        case C::SysRequest:
        case C::MidiDevices:
        case C::VerifyTransmissions:
        case C::FastTransfers:
        case C::ViewPatchCommon:
        case C::ViewTrigger:
        case C::ViewNotemap:
        case C::About:
        // Opening the library may have to say, in a modal box, why it cannot be opened.
        case C::Library:
            return !s.Busy;
    }
    return false;
}

}  // namespace editor
