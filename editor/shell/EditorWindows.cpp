#include "editor/shell/EditorWindows.h"

#include <QComboBox>

#include <array>
#include <span>

#include "editor/shell/AboutWindow.h"
#include "editor/compare/CompareCommand.h"
#include "editor/trigger/TriggerCheckWindow.h"
#include "editor/devices/DevicesWindow.h"
#include "editor/files/DropHandler.h"
#include "editor/shell/EditCommands.h"
#include "editor/files/FileCommands.h"
#include "editor/instrument/InstrumentWindow.h"
#include "editor/library/LibraryAccess.h"
#include "editor/library/LibraryModel.h"
#include "editor/library/LibraryWindow.h"
#include "editor/shell/Help.h"
#include "editor/shell/MainMenu.h"
#include "editor/common/WindowPlaces.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "editor/transfers/ProgressWindow.h"
#include "editor/patch/QueryEmptyWindow.h"
#include "editor/system/SystemWindow.h"
#include "editor/transfers/TransferCommands.h"
#include "editor/transport/GrooveTransport.h"
#include "td7/audition/GrooveFolders.h"
#include "editor/transfers/ViewSysexWindow.h"
#include "td7/files/DumpFiles.h"
#include "td7/history/EditHistory.h"

namespace editor {

namespace {

// A library item put into the mirror, as an undo step.
std::string PutLabel(library::TKind kind) {
    switch (kind) {
        case library::TKind::Kit:
            return "Put Kit";
        case library::TKind::Instruments:
            return "Put Instruments";
        case library::TKind::System:
            return "Put System";
    }
    return "Put";
}

td7::TEditPlace PutPlace(library::TKind kind, int p) {
    if (kind == library::TKind::Kit) return {td7::Block::Prog, p, {}};
    return {kind == library::TKind::System ? td7::Block::System : td7::Block::Instrument, -1, {}};
}

std::span<const td7::Block> PutBlocks(library::TKind kind) {
    static constexpr std::array<td7::Block, 1> kSystem = {td7::Block::System};
    static constexpr std::array<td7::Block, 1> kInstruments = {td7::Block::Instrument};
    if (kind == library::TKind::Kit) return td7::kPatchBlocks;
    return kind == library::TKind::System ? std::span<const td7::Block>(kSystem) : kInstruments;
}

bool SendsWholeRecords(TCommand command) {
    switch (command) {
        case TCommand::RequestCurrent:
        case TCommand::TransmitCurrent:
        case TCommand::RequestAll:
        case TCommand::TransmitAll:
        case TCommand::TransmitDifferences:
        case TCommand::InstRequest:
        case TCommand::InstTransmit:
        case TCommand::InstTransmitDifferences:
        case TCommand::SysRequest:
        case TCommand::SysTransmit:
            return true;
        default:
            return false;
    }
}

}  // namespace

TEditorWindows::TEditorWindows(TMainServices services, TfmAbout& about) : fmAbout(about) {
    midiports::MidiService& midi = *services.Midi;
    const std::filesystem::path settingsFile = services.SettingsFile;
    fmTamboro = std::make_unique<TfmTamboro>(std::move(services));
    fmViewSysex = std::make_unique<TfmViewSysex>();
    fmQueryEmpty = std::make_unique<TfmQueryEmpty>(*fmTamboro);
    fmProgress = std::make_unique<TfmProgress>(fmTamboro->HelpDir());
    fmInstrument = MakeInstrumentWindow(*fmTamboro, *fmViewSysex);
    fmDevices = std::make_unique<TfmDevices>(midi);
    fmSystem = MakeSystemWindow(*fmTamboro, *fmViewSysex);

    fmTamboro->SetSplash(&fmAbout);
    fmTamboro->SetDevicesWindow(fmDevices.get());
    fmTamboro->Menu().Connect(TCommand::About, [this](int) { fmAbout.ShowModal(); });
    Transfers = std::make_unique<TransferCommands>(*fmTamboro, *fmProgress);
    PatchEditor = std::make_unique<TPatchEditor>(*fmTamboro, *fmViewSysex);
    Transfers->OnPatchArrived = [this](int p) { PatchEditor->PatchArrived(p); };
    Transfers->OnShowEffectPages = [this] {
        PatchEditor->Effect1TypeChange();
        PatchEditor->Effect2TypeChange();
    };
    PatchEditor->OnShowInstrument = [this](int i) { fmInstrument->ShowInstrument(i); };
    PatchEditor->OnQueryEmpty = [this](int p) { return fmQueryEmpty->Query(p); };
    Files = std::make_unique<FileCommands>(*fmTamboro, *PatchEditor);
    Drops = std::make_unique<DropHandler>(*fmTamboro, *Files);
    Edits =
        std::make_unique<TEditCommands>(*fmTamboro, *PatchEditor, *fmInstrument,
                                        std::vector<QWidget*>{fmInstrument.get(), fmSystem.get()});
    Transport = std::make_unique<TGrooveTransport>(
        *fmTamboro,
        std::vector<std::filesystem::path>{td7::BuiltInGrooveFolder(fmTamboro->ProgramDir()),
                                           settingsFile.parent_path() / td7::kGrooveFolderName},
        std::vector<QWidget*>{fmInstrument.get(), fmSystem.get()});
    Transport->SelectedTrigger = [this] { return PatchEditor->coTrigger()->currentIndex(); };
    Transport->ShowHelp = [this] { PatchEditor->Help().ShowContext(kHelpPlay); };
    // Whatever sends or requests whole records stops the playing first, so that nothing of
    // the transfer waits behind a note.
    fmTamboro->Menu().OnRun = [this, before = fmTamboro->Menu().OnRun](TCommand command) {
        if (before) before(command);
        if (SendsWholeRecords(command)) Transport->StopForTransfer();
        // The ports are closed and opened again there.
        if (command == TCommand::MidiDevices) Transport->Stop();
    };
    fmTamboro->Menu().OnRan = [this](TCommand) { Transport->AfterTransfer(); };
    Library = std::make_unique<TLibraryAccess>(settingsFile, fmTamboro->Errors(), fmTamboro.get());
    Transfers->OnRequested = [this](bool patches, bool instruments, bool system) {
        Library->RememberRequest(fmTamboro->Dumps(), fmTamboro->Present(),
                                 {.Patches = patches, .Instruments = instruments, .System = system},
                                 td7::TSession::DeviceId());
        // An open library window shows what just came in.
        if (fmLibrary) fmLibrary->Model().Refresh();
    };
    Files->OnSetupLoaded = [this](const std::filesystem::path& file) {
        Library->RememberSetup(file);
        if (fmLibrary) fmLibrary->Model().Refresh();
    };
    fmTamboro->Menu().Connect(TCommand::Library, [this](int) { ShowLibrary(); });
    fmTamboro->Menu().Connect(TCommand::TriggerCheck, [this](int) { ShowTriggerCheck(); });
    Compare = std::make_unique<TCompareCommand>(*fmTamboro, Files->Dialogs(),
                                                [this] { return Library->Get(); });
    Places = new TWindowPlaces(settingsFile, *fmTamboro);
    Compare->OnWindowMade = [this](QWidget& window) { Places->Follow(window, "Compare"); };
    Compare->OnTake = [this](std::string label, std::vector<td7::TParameterEdit> edits) {
        const bool note = !edits.empty() && edits.front().Parameter->Items == td7::ItemList::Notes;
        // A trigger's note taken over: the note map follows it, as on a choice.
        if (fmTamboro->History().SetParameters(std::move(label), edits) > 0 && note)
            PatchEditor->coTriggerChange();
    };
}

TEditorWindows::~TEditorWindows() = default;

void TEditorWindows::ShowTriggerCheck() {
    if (!fmTriggerCheck) {
        fmTriggerCheck =
            std::make_unique<TfmTriggerCheck>(*fmTamboro, Files->Dialogs(), fmTamboro.get());
        Places->Follow(*fmTriggerCheck, "TriggerCheck");
    }
    fmTriggerCheck->show();
    fmTriggerCheck->raise();
    fmTriggerCheck->activateWindow();
}

void TEditorWindows::ShowLibrary() {
    if (!fmLibrary) {
        library::TLibrary* lib = Library->Get();
        if (lib == nullptr) return;
        TLibraryTarget target;
        target.CurrentPatch = [this] { return fmTamboro->CurrentPatch(); };
        target.CurrentKit = [this]() -> library::Bytes {
            const int p = fmTamboro->CurrentPatch();
            if (!fmTamboro->Present().PatchPresent(p)) return {};
            return td7::PatchFileImage(fmTamboro->Dumps(), p);
        };
        // As Patch > Load: the slot becomes present and editable and is shown; nothing is
        // sent until the user transmits.
        target.Put = [this](library::TKind kind, const library::Bytes& item, int p) {
            if (kind == library::TKind::Kit) Transport->StopForTransfer();
            fmTamboro->History().RecordCommand(
                PutLabel(kind), PutPlace(kind, p), PutBlocks(kind), [&] {
                    library::PutIntoMirror(kind, item, fmTamboro->Dumps(), fmTamboro->Present(), p);
                });
            if (kind == library::TKind::Kit) {
                if (p == fmTamboro->CurrentPatch()) PatchEditor->SetPatchEditing(true);
                PatchEditor->PatchArrived(p);
                if (p == fmTamboro->CurrentPatch()) PatchEditor->coTriggerChange();
            }
            fmTamboro->UpdateCommands();
        };
        // Load into Slots: one step, as the user asked for it once.
        target.PutKits = [this](const std::vector<std::optional<library::Bytes>>& kits) {
            Transport->StopForTransfer();
            fmTamboro->History().RecordCommand(
                "Load into Slots", PutPlace(library::TKind::Kit, 0), td7::kPatchBlocks, [&] {
                    for (std::size_t p = 0; p < kits.size(); ++p)
                        if (kits[p])
                            library::PutIntoMirror(library::TKind::Kit, *kits[p],
                                                   fmTamboro->Dumps(), fmTamboro->Present(),
                                                   static_cast<int>(p));
                });
            const int current = fmTamboro->CurrentPatch();
            for (int p = 0; p < static_cast<int>(kits.size()); ++p)
                if (kits[p]) PatchEditor->PatchArrived(p);
            if (current < static_cast<int>(kits.size()) && kits[current]) {
                PatchEditor->SetPatchEditing(true);
                PatchEditor->coTriggerChange();
            }
            fmTamboro->UpdateCommands();
        };
        target.Busy = [this] { return fmTamboro->Transfers().Busy(); };
        target.ModulePatches = [this] {
            std::vector<std::optional<library::Bytes>> patches(td7::kPatchCount);
            for (int p = 0; p < td7::kPatchCount; ++p)
                if (fmTamboro->Present().PatchPresent(p))
                    patches[static_cast<std::size_t>(p)] =
                        td7::PatchFileImage(fmTamboro->Dumps(), p);
            return patches;
        };
        target.Compare = [this](const library::Bytes& kit, const std::string& name) {
            Compare->Open({-1, kit, name});
        };
        fmLibrary = std::make_unique<TfmLibrary>(*lib, std::move(target), fmTamboro->Errors(),
                                                 fmTamboro->HelpDir(), fmTamboro.get());
        fmLibrary->AcceptKitDropsOn(PatchEditor->lbPatch());
        Places->Follow(*fmLibrary, "Library");
    }
    fmLibrary->show();
    fmLibrary->raise();
    fmLibrary->activateWindow();
}

}  // namespace editor
