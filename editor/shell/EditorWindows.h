#pragma once

#include <memory>

#include "editor/shell/MainWindow.h"

namespace editor {

class TfmAbout;
class DropHandler;
class TEditCommands;
class FileCommands;
class TfmDevices;
class TfmInstrument;
class TfmProgress;
class TfmQueryEmpty;
class TfmSystem;
class TfmViewSysex;
class TransferCommands;
class TLibraryAccess;
class TPatchEditor;
class TWindowPlaces;

// The editor's windows, made in their order (main window first: the others' bindings name
// its collections) and wired to each other. Secondary windows are hidden, not destroyed,
// when they close.
class TEditorWindows {
  public:
    // The about window exists already: it is the splash shown while these are made.
    TEditorWindows(TMainServices services, TfmAbout& about);
    ~TEditorWindows();
    TEditorWindows(const TEditorWindows&) = delete;
    TEditorWindows& operator=(const TEditorWindows&) = delete;

    TfmAbout& fmAbout;
    std::unique_ptr<TfmTamboro> fmTamboro;
    std::unique_ptr<TfmViewSysex> fmViewSysex;
    std::unique_ptr<TfmQueryEmpty> fmQueryEmpty;
    std::unique_ptr<TfmProgress> fmProgress;
    std::unique_ptr<TfmInstrument> fmInstrument;
    std::unique_ptr<TfmDevices> fmDevices;
    std::unique_ptr<TfmSystem> fmSystem;
    std::unique_ptr<TransferCommands> Transfers;
    // On the main window; goes before the windows it uses.
    std::unique_ptr<TPatchEditor> PatchEditor;
    // The file commands; they select patches through the editor.
    std::unique_ptr<FileCommands> Files;
    // Files dropped on the main window; goes first, before the commands it uses.
    std::unique_ptr<DropHandler> Drops;
    // Edit > Undo, Redo, Copy and Paste.
    std::unique_ptr<TEditCommands> Edits;
    // Where the library and compare windows open; kept in the settings file.
    TWindowPlaces* Places = nullptr;  // owned by the main window
    // The kit library, opened at its first use, and its window, made when first shown.
    std::unique_ptr<TLibraryAccess> Library;
    std::unique_ptr<class TfmLibrary> fmLibrary;
    // Patch > "Compare With..." and its window.
    std::unique_ptr<class TCompareCommand> Compare;
    // Patch > "Trigger Check...", made when first shown.
    std::unique_ptr<class TfmTriggerCheck> fmTriggerCheck;
    // The Play menu: a groove or a velocity run on the current patch.
    std::unique_ptr<class TGrooveTransport> Transport;

    // Patch > "Trigger Check...": shows the window.
    void ShowTriggerCheck();

    // File > "Library...": shows the window, or says why the library is not available.
    void ShowLibrary();
};

}  // namespace editor
