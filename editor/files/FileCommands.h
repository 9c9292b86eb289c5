#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "editor/files/FileDialogs.h"
#include "td7/files/SetupFile.h"
#include "td7/transfers/ReadBack.h"

namespace editor {

class TPatchEditor;
class TfmTamboro;

// The file commands of the main menu: setups, patch, instrument and system files, and
// moving and exchanging patches between slots. It also gives the main window its setup
// loading (at start) and saving (on closing), and keeps the window's setup name in step
// with the setup file.
class FileCommands {
  public:
    FileCommands(TfmTamboro& main, TPatchEditor& editor,
                 std::unique_ptr<FileDialogs> dialogs = std::make_unique<FileDialogs>());
    ~FileCommands();
    FileCommands(const FileCommands&) = delete;
    FileCommands& operator=(const FileCommands&) = delete;

    // False when the user cancelled its dialog.
    bool SaveSetupClick();
    void LoadSetupClick();
    // File menu entry k of the recent setups: loads it as "Load Setup..." would; a file
    // that is gone is reported ("File %s not found.") and leaves the list.
    void OpenRecentClick(int k);
    void PatchLoadClick();
    void PatchSaveClick();
    void InstLoadClick();
    void InstSaveClick();
    void SysLoadClick();
    void SysSaveClick();
    // Menu entry k (1..32) of "Move To" and "Exchange With".
    void MoveToClick(int k);
    void ExchangeWithClick(int k);

    // What the load commands do once they have a file, also for files dropped on the main
    // window. A setup's load first asks to save a changed setup (SaveChangedSetupFirst; the
    // menu asks before its dialog), then selects the current patch as the user would. A
    // patch lands in the current slot, which becomes editable and is shown.
    // The question's no drops the edits, so Escape never answers it. Load Setup asks yes
    // or no (its file dialog can still be cancelled); a recent setup or a dropped one loads
    // at once, so `withCancel` adds Cancel there. False: cancelled (the question or the
    // save dialog), load nothing.
    bool SaveChangedSetupFirst(bool withCancel = false);
    void LoadSetupFrom(const std::filesystem::path& path);
    void LoadPatchFrom(const std::filesystem::path& path);
    void LoadInstrumentsFrom(const std::filesystem::path& path);
    void LoadSystemFrom(const std::filesystem::path& path);

    // After "Load Setup..." (or a dropped setup) has loaded the file.
    std::function<void(const std::filesystem::path& file)> OnSetupLoaded;

    FileDialogs& Dialogs() { return *m_dialogs; }
    td7::TSetupFile& Setup() { return m_setup; }

  private:
    void ConnectMenu();
    void AttachToMain();
    // Runs a dialog; an empty path when the user cancelled.
    std::filesystem::path RunDialog(TFileDialog& dialog);
    void LoadStartSetup(const std::string& file);
    void ReadSetup(const std::filesystem::path& path);
    // A save keeps damaged records as they were read: the user hears which.
    void TellKeptDamage(const std::vector<td7::TRecordRef>& saved);

    TfmTamboro& m_main;
    TPatchEditor& m_editor;
    std::unique_ptr<FileDialogs> m_dialogs;
    td7::TSetupFile m_setup;

    TFileDialog m_openDump;
    TFileDialog m_saveDump;
    TFileDialog m_openSetup;
    TFileDialog m_saveSetup;
};

}  // namespace editor
