#include "editor/files/FileCommands.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <array>

#include "editor/common/ErrorDisplay.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/MainWindow.h"
#include "editor/common/MessageBoxes.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "td7/files/DumpFiles.h"
#include "td7/history/EditHistory.h"
#include "td7/history/PatchSlots.h"
#include "td7/map/PresentFlags.h"
#include "td7/transfers/DamagedRecords.h"

namespace editor {

namespace {

// The hourglass while a setup is read or written, restored however that ends.
class HourglassScope {
  public:
    HourglassScope() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourglassScope() { QApplication::restoreOverrideCursor(); }
    HourglassScope(const HourglassScope&) = delete;
    HourglassScope& operator=(const HourglassScope&) = delete;
};

TFileDialog MakeDialog(TFileDialogMode mode, const char* title, const char* filter,
                       const char* extension) {
    TFileDialog dialog;
    dialog.Mode = mode;
    dialog.Title = QString::fromLatin1(title);
    dialog.Filter = QString::fromLatin1(filter);
    // Names on this system are case-sensitive: "kit.td7", not "kit.TD7".
    dialog.DefaultSuffix = QString::fromLatin1(extension).toLower();
    return dialog;
}

// Selects line p of the patch list as the user would, so the patch editor shows it (and
// asks how to fill it when it is empty).
void SelectPatch(TPatchEditor& editor, int p) {
    editor.lbPatch()->viewport()->update();
    editor.lbPatch()->SelectSilently(p);
    editor.lbPatchClick();
    // A cancelled dialog leaves the name field as it was; the slot may have been emptied
    // by the file just loaded.
    editor.ShowPatchName();
}

}  // namespace

FileCommands::FileCommands(TfmTamboro& main, TPatchEditor& editor,
                           std::unique_ptr<FileDialogs> dialogs)
    : m_main(main),
      m_editor(editor),
      m_dialogs(std::move(dialogs)),
      m_setup(main.Dumps(), main.Present()),
      m_openDump(MakeDialog(TFileDialogMode::Open, "", td7::kDumpFileFilter, td7::kDumpFileExtension)),
      m_saveDump(MakeDialog(TFileDialogMode::Save, "", td7::kDumpFileFilter, td7::kDumpFileExtension)),
      m_openSetup(
          MakeDialog(TFileDialogMode::Open, td7::kOpenSetupTitle, td7::kSetupFilter, td7::kSetupDefaultExtension)),
      m_saveSetup(MakeDialog(TFileDialogMode::Save, td7::kSaveSetupTitle, td7::kSetupFilter,
                             td7::kSetupDefaultExtension)) {
    m_setup.SetFileName(main.SetupFileName());
    // The window's name (and caption) follow the setup file's, which changes only after a
    // load or a save succeeded.
    m_setup.OnFileNameChange = [this](td7::TSetupFile* sender) {
        m_main.SetSetupFileName(sender->FileName());
    };
    ConnectMenu();
    AttachToMain();
}

FileCommands::~FileCommands() {
    m_main.OnLoadSetup = nullptr;
    m_main.OnSaveSetup = nullptr;
    m_main.AskSetupSaveName = nullptr;
}

void FileCommands::ConnectMenu() {
    MainMenu& menu = m_main.Menu();
    menu.Connect(TCommand::SaveSetup, [this](int) { SaveSetupClick(); });
    menu.Connect(TCommand::LoadSetup, [this](int) { LoadSetupClick(); });
    menu.Connect(TCommand::OpenRecent, [this](int k) { OpenRecentClick(k); });
    menu.Connect(TCommand::PatchLoad, [this](int) { PatchLoadClick(); });
    menu.Connect(TCommand::PatchSave, [this](int) { PatchSaveClick(); });
    menu.Connect(TCommand::PatchMoveTo, [this](int k) { MoveToClick(k); });
    menu.Connect(TCommand::PatchExchangeWith, [this](int k) { ExchangeWithClick(k); });
    menu.Connect(TCommand::InstLoad, [this](int) { InstLoadClick(); });
    menu.Connect(TCommand::InstSave, [this](int) { InstSaveClick(); });
    menu.Connect(TCommand::SysLoad, [this](int) { SysLoadClick(); });
    menu.Connect(TCommand::SysSave, [this](int) { SysSaveClick(); });
    m_main.UpdateCommands();
}

void FileCommands::AttachToMain() {
    m_main.OnLoadSetup = [this](const std::string& file) { LoadStartSetup(file); };
    m_main.OnSaveSetup = [this](const std::string& file) {
        HourglassScope hourglass;
        m_setup.SaveTo(file);
    };
    // The close question proposes no name; whatever the user picks is taken.
    m_main.AskSetupSaveName = [this] {
        m_saveSetup.FileName.clear();
        return RunDialog(m_saveSetup).string();
    };
}

void FileCommands::ReadSetup(const std::filesystem::path& path) {
    HourglassScope hourglass;
    m_setup.Load(path);
}

void FileCommands::LoadStartSetup(const std::string& file) {
    ReadSetup(file);
    m_main.History().Clear();
    // The window finishes its start (and clears the changed state) before the current
    // patch is selected: choosing to fill an empty slot then counts as a change.
    QTimer::singleShot(0, &m_editor, [editor = &m_editor, main = &m_main] {
        main->Errors().RunCommand([&] { SelectPatch(*editor, main->CurrentPatch()); }, main);
    });
}

std::filesystem::path FileCommands::RunDialog(TFileDialog& dialog) {
    const QString start = QFile::decodeName(m_main.FileDialogDir().string().c_str());
    const QString chosen = m_dialogs->Run(dialog, start, &m_main);
    std::filesystem::path path = QFile::encodeName(chosen).toStdString();
    if (!path.empty()) m_main.SetLastDir(std::filesystem::absolute(path).parent_path());
    return path;
}

bool FileCommands::SaveSetupClick() {
    const auto path = RunDialog(m_saveSetup);
    if (path.empty()) return false;
    {
        HourglassScope hourglass;
        m_setup.SaveSetupAs(path);
    }
    std::vector<td7::TRecordRef> saved = td7::PresentPatchRecords(m_main.Present());
    for (const auto& [present, records] :
         {std::pair{m_main.Present().InstrumentsPresent(), td7::InstrumentRecords()},
          std::pair{m_main.Present().SystemPresent(), td7::SystemRecords()}})
        if (present) saved.insert(saved.end(), records.begin(), records.end());
    TellKeptDamage(saved);
    return true;
}

void FileCommands::TellKeptDamage(const std::vector<td7::TRecordRef>& saved) {
    const std::string text = td7::KeptDamagedText(m_main.Dumps(), saved);
    if (!text.empty()) m_main.Boxes().Information(QString::fromStdString(text), &m_main);
}

bool FileCommands::SaveChangedSetupFirst(bool withCancel) {
    if (!m_setup.Modified()) return true;
    const QString question = QString::fromLatin1(td7::kSaveChangedSetupQuestion);
    bool save = false;
    if (withCancel) {
        const TAnswer answer = m_main.Boxes().ConfirmCancel(question, &m_main);
        if (answer != TAnswer::Yes && answer != TAnswer::No) return false;
        save = answer == TAnswer::Yes;
    } else {
        save = m_main.Boxes().ConfirmNoEscape(question, &m_main);
    }
    // A cancelled save cancels the load, or the edits would go without a word; a failed
    // save stops here too.
    return !save || SaveSetupClick();
}

void FileCommands::LoadSetupFrom(const std::filesystem::path& path) {
    ReadSetup(path);
    // A setup opened is a new document: its history starts here.
    m_main.History().Clear();
    if (OnSetupLoaded) OnSetupLoaded(path);
    SelectPatch(m_editor, m_main.CurrentPatch());
}

void FileCommands::LoadSetupClick() {
    if (!SaveChangedSetupFirst()) return;
    const auto path = RunDialog(m_openSetup);
    if (path.empty()) return;
    LoadSetupFrom(path);
}

void FileCommands::OpenRecentClick(int k) {
    const std::vector<std::string>& recent = m_main.RecentSetups();
    if (k < 1 || k > static_cast<int>(recent.size())) return;
    const std::string name = recent[static_cast<std::size_t>(k - 1)];
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec)) {
        m_main.ForgetRecentSetup(name);
        m_main.Boxes().Error(
            QStringLiteral("File %1 not found.").arg(QFile::decodeName(name.c_str())), &m_main);
        return;
    }
    if (!SaveChangedSetupFirst(true)) return;
    LoadSetupFrom(name);
}

void FileCommands::PatchSaveClick() {
    const auto path = RunDialog(m_saveDump);
    if (path.empty()) return;
    td7::SavePatchFile(path, m_main.Dumps(), m_main.CurrentPatch());
    TellKeptDamage(td7::PatchRecords(m_main.CurrentPatch()));
}

void FileCommands::LoadPatchFrom(const std::filesystem::path& path) {
    const int p = m_main.CurrentPatch();
    m_main.History().RecordCommand("Load Patch", {td7::Block::Prog, p, {}}, td7::kPatchBlocks, [&] {
        td7::LoadPatchFile(path, m_main.Dumps(), m_main.Present(), p);
    });
    m_editor.SetPatchEditing(true);
    m_editor.PatchArrived(p);
    m_editor.coTriggerChange();
}

void FileCommands::LoadInstrumentsFrom(const std::filesystem::path& path) {
    m_main.History().RecordCommand(
        "Load Instruments", {td7::Block::Instrument, -1, {}}, std::array{td7::Block::Instrument},
        [&] { td7::LoadInstrumentFile(path, m_main.Dumps(), m_main.Present()); });
}

void FileCommands::LoadSystemFrom(const std::filesystem::path& path) {
    m_main.History().RecordCommand("Load System", {td7::Block::System, -1, {}},
                                   std::array{td7::Block::System},
                                   [&] { td7::LoadSystemFile(path, m_main.Dumps(), m_main.Present()); });
}

void FileCommands::PatchLoadClick() {
    m_openDump.Title.clear();  // the dialog's own title, whatever the instrument load set
    const auto path = RunDialog(m_openDump);
    if (path.empty()) return;
    LoadPatchFrom(path);
}

void FileCommands::InstLoadClick() {
    m_openDump.Title = QString::fromLatin1(td7::kOpenInstrumentTitle);
    const auto path = RunDialog(m_openDump);
    if (path.empty()) return;
    LoadInstrumentsFrom(path);
}

void FileCommands::InstSaveClick() {
    const auto path = RunDialog(m_saveDump);
    if (path.empty()) return;
    td7::SaveInstrumentFile(path, m_main.Dumps());
    TellKeptDamage(td7::InstrumentRecords());
}

void FileCommands::SysLoadClick() {
    m_openDump.Title.clear();
    const auto path = RunDialog(m_openDump);
    if (path.empty()) return;
    LoadSystemFrom(path);
}

void FileCommands::SysSaveClick() {
    const auto path = RunDialog(m_saveDump);
    if (path.empty()) return;
    td7::SaveSystemFile(path, m_main.Dumps());
    TellKeptDamage(td7::SystemRecords());
}

void FileCommands::MoveToClick(int k) {
    const int s = m_main.CurrentPatch();
    const int d = k - 1;
    if (d == s) return;  // its menu entry is disabled
    m_main.History().RecordCommand("Move Patch", {td7::Block::Prog, s, {}}, td7::kPatchBlocks,
                                   [&] { td7::MovePatch(m_main.Dumps(), m_main.Present(), s, d); });
    SelectPatch(m_editor, d);
}

void FileCommands::ExchangeWithClick(int k) {
    const int s = m_main.CurrentPatch();
    const int d = k - 1;
    if (d == s) return;
    m_main.History().RecordCommand("Exchange Patches", {td7::Block::Prog, s, {}}, td7::kPatchBlocks,
                                   [&] { td7::ExchangePatch(m_main.Dumps(), m_main.Present(), s, d); });
    SelectPatch(m_editor, d);
}

}  // namespace editor
