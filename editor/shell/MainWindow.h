#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QStringList>

#include "editor/shell/MenuTable.h"
#include "editor/shell/Settings.h"
#include "td7/session/Session.h"

class QTimer;

namespace midilink {
class TDumpCollection;
class TMidiCompLink;
}  // namespace midilink

namespace midiports {
class MidiService;
class PortWindow;
class TMidiInput;
class TMidiOutput;
}  // namespace midiports

namespace td7 {
class TEditHistory;
class TSession;
class TTransferWait;
}  // namespace td7

namespace editor {

class ErrorDisplay;
class MainMenu;
class MessageBoxes;
class StatusLine;
class TfmAbout;

// What the main window is given; it owns everything else.
struct TMainServices {
    midiports::MidiService* Midi = nullptr;
    MessageBoxes* Boxes = nullptr;
    ErrorDisplay* Errors = nullptr;
    std::filesystem::path SettingsFile;
    std::filesystem::path ProgramDir;
    QStringList Arguments;  // the command line after the program's name
    // How transfers wait; none: in the event loop.
    std::shared_ptr<td7::TTransferWait> Wait;
    // Makes the hidden window of a port; none: the Qt one.
    std::function<std::unique_ptr<midiports::PortWindow>()> MakePortWindow;
};

// `fmTamboro`: the main window. It owns the session (the module's mirror with its ports,
// link and transfers), the menu, the status line and its timers, and the setup's name. Panels and
// other features attach to it: they place their widgets on ClientArea() and connect their menu
// commands through Menu().
class TfmTamboro : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 587;
    static constexpr int kClientHeight = 383;
    static constexpr int kStatusTimerInterval = 5000;
    static constexpr int kActivityTimerInterval = 500;
    // How often the system's port lists are read for the chosen devices.
    static constexpr int kPortTimerInterval = 1500;

    explicit TfmTamboro(TMainServices services, QWidget* parent = nullptr);
    ~TfmTamboro() override;

    // The splash screen, closed at the end of the first showing.
    void SetSplash(TfmAbout* splash) { m_splash = splash; }

    // Owned parts.
    td7::TSession& Session() { return *m_session; }
    td7::TTd7Collections& Dumps() { return m_session->Dumps(); }
    td7::TPresentFlags& Present() { return m_session->Present(); }
    td7::TTransfers& Transfers() { return m_session->Transfers(); }
    midiports::TMidiInput& MidiInput1() { return m_session->Input(); }
    midiports::TMidiOutput& MidiOutput1() { return m_session->Output(); }
    midilink::TMidiCompLink& MidiCompLink1() { return m_session->Link(); }
    // The user's changes to the mirror, for Edit > Undo and Redo.
    td7::TEditHistory& History() { return *m_history; }
    td7::TLoopDetector& LoopWatch() { return m_session->LoopWatch(); }
    MainMenu& Menu() { return *m_menu; }
    StatusLine& Status() { return *m_status; }
    QTimer* StatusTimer() const { return m_statusTimer; }
    QTimer* ActivityTimer() const { return m_activityTimer; }
    QTimer* PortTimer() const { return m_portTimer; }
    ErrorDisplay& Errors() { return *m_services.Errors; }
    MessageBoxes& Boxes() { return *m_services.Boxes; }
    midiports::MidiService& Midi() { return *m_services.Midi; }
    // Where the panels go: the client area above the status line.
    QWidget* ClientArea() const { return m_clientArea; }

    // The setup file being edited; empty for one without a file.
    const std::string& SetupFileName() const { return m_setupFileName; }
    void SetSetupFileName(const std::string& name);
    bool AnyModified();
    void UpdateCaption();

    // Window colour as a layout colour value (0x00BBGGRR, or a system colour).
    std::uint32_t Background() const { return m_background; }
    void SetBackground(std::uint32_t color);
    QColor BackgroundColor() const;

    // The patch being edited and whether it may be edited.
    int CurrentPatch() const { return m_currentPatch; }
    void SetCurrentPatch(int p);
    bool PatchEditing() const { return m_patchEditing; }
    void SetPatchEditing(bool on);
    bool PatchLookup() const { return m_patchLookup; }
    void SetPatchLookup(bool on) { m_patchLookup = on; }
    // The program's folder (where the help file is looked for first).
    const std::filesystem::path& ProgramDir() const { return m_services.ProgramDir; }
    // Where the help windows look for the help file first: the program's folder.
    QString HelpDir() const;
    // Directory the file dialogs start in: the folder of the last file chosen in one, else
    // a folder the user can write to.
    std::filesystem::path FileDialogDir() const;
    // A file was chosen in a file dialog: the next dialogs start in its folder.
    void SetLastDir(const std::filesystem::path& dir) { m_lastDir = dir.string(); }
    // The setups last opened or saved, newest first (File menu, Alt+1..8).
    const std::vector<std::string>& RecentSetups() const { return m_recentSetups; }
    void ForgetRecentSetup(const std::string& name);
    bool VerifyTransmissions() const { return m_verifyTransmissions; }
    void SetVerifyTransmissions(bool on) { m_verifyTransmissions = on; }
    // Options > "Fast Transfers": requests with several on their way, transmissions verified
    // at a pace learned per output device.
    bool FastTransfers() const { return m_session->Transfers().Fast(); }
    void SetFastTransfers(bool on) { m_session->Transfers().SetFast(on); }
    // Where the settings are kept (the paces learned per device among them).
    const std::filesystem::path& SettingsFile() const { return m_services.SettingsFile; }

    // Options > "Follow Pad Hits": the input passes notes, and pad hits show on the window.
    bool FollowPadHits() const { return m_session->FollowPadHits(); }
    void SetFollowPadHits(bool on);

    // Recomputes the enabled menu entries from the present states and a running transfer.
    void UpdateCommands();
    // Edit > Undo and Redo name the steps they would act on (done as the menu opens).
    void UpdateEditTexts();

    // Change notifications of the collections.
    void AnyDumpChange(midilink::TDumpCollection* sender, int index);
    void InstrumentDumpChange(midilink::TDumpCollection* sender, int index);

    // Hooks for the features built on this frame.
    // Patch editing was switched on or off: the patch panels follow.
    std::function<void(bool on)> OnPatchEditingChange;
    // A setup file is loaded (at start) or saved (on closing); raise on failure.
    std::function<void(const std::string& file)> OnLoadSetup;
    std::function<void(const std::string& file)> OnSaveSetup;
    // The setup save dialog; an empty name when the user cancels.
    std::function<std::string()> AskSetupSaveName;

    // After the settings were read at the first showing: the options' menu entries follow.
    std::function<void()> OnVerifyTransmissionsLoaded;

    // The close question; true when the window may close.
    bool CloseQuery();
    // The settings as they would be written now.
    TSettings CurrentSettings() const;

    // Options > Midi Devices: the device window with the current choice; OK applies it.
    void SelectDevices();
    void SetDevicesWindow(class TfmDevices* window) { m_devicesWindow = window; }

    bool FirstShowDone() const { return m_firstShowDone; }

  signals:
    // Instrument i changed (or -1 for all): the sound lists and the instrument window
    // redraw what shows it. A signal, so that a window going away is disconnected with it.
    void InstrumentRecordChanged(int index);
    // A record other than an instrument changed, or another patch became the
    // current one: the windows that compare patches follow.
    void DumpRecordChanged();
    void CurrentPatchChanged(int p);

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormShow();
    void OpenPortsFromSettings(const TSettings& settings);
    void LoadStartSetup(const TSettings& settings);
    void WriteSettings();
    std::string DefaultSaveName();
    void StatusTimerTimer();
    void ActivityTimerTimer();
    void PortTimerTimer();
    void ShowActivity(bool input);
    void ConnectOwnCommands();
    void SetRecentSetups(std::vector<std::string> recent);
    void MirrorChange(midilink::TDumpCollection* sender);

    TMainServices m_services;
    std::unique_ptr<midiports::PortWindow> m_inputWindow;
    std::unique_ptr<midiports::PortWindow> m_outputWindow;
    std::unique_ptr<td7::TSession> m_session;
    std::unique_ptr<td7::TEditHistory> m_history;

    MainMenu* m_menu = nullptr;
    QWidget* m_clientArea = nullptr;
    StatusLine* m_status = nullptr;
    QTimer* m_statusTimer = nullptr;
    QTimer* m_activityTimer = nullptr;
    QTimer* m_portTimer = nullptr;
    TfmAbout* m_splash = nullptr;
    class TfmDevices* m_devicesWindow = nullptr;

    std::string m_setupFileName;
    std::string m_lastDir;
    std::vector<std::string> m_recentSetups;
    std::uint32_t m_background = 0x808080;
    int m_currentPatch = 0;
    bool m_patchEditing = false;
    bool m_patchLookup = true;
    bool m_verifyTransmissions = false;
    bool m_firstShowDone = false;
};

}  // namespace editor
