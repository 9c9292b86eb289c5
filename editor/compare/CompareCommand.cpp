#include "editor/compare/CompareCommand.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>

#include "editor/compare/CompareChooser.h"
#include "editor/library/KitPicker.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/MainWindow.h"
#include "library/Library.h"
#include "td7/files/DumpFiles.h"

namespace editor {

TCompareCommand::TCompareCommand(TfmTamboro& main, FileDialogs& dialogs,
                                 std::function<library::TLibrary*()> library)
    : m_main(main), m_dialogs(dialogs), m_library(std::move(library)) {
    m_open.Mode = TFileDialogMode::Open;
    m_open.Title = QStringLiteral("Compare With Patch File...");
    m_open.Filter = QString::fromLatin1(td7::kDumpFileFilter);
    m_open.DefaultSuffix = QString::fromLatin1(td7::kDumpFileExtension).toLower();
    m_main.Menu().Connect(TCommand::CompareWith, [this](int) { Run(); });
    m_main.UpdateCommands();
}

TCompareCommand::~TCompareCommand() = default;

void TCompareCommand::Run() {
    if (!m_chooser) {
        m_chooser = std::make_unique<TfmCompareWith>(m_main, m_main.Errors(), &m_main);
        m_chooser->ChooseFile = [this] { return ChooseFile(); };
    }
    // Opening the library is its first use here: one that cannot be opened is told once,
    // and its button stays off.
    if (m_library && m_library() != nullptr)
        m_chooser->ChooseKit = [this] { return ChooseKit(); };
    else
        m_chooser->ChooseKit = nullptr;
    if (auto other = m_chooser->Choose()) Open(std::move(*other));
}

void TCompareCommand::Open(TCompareOther other) {
    if (!m_window) {
        m_window = std::make_unique<TfmCompare>(m_main, m_main.Errors(), m_main.HelpDir(), &m_main);
        m_window->OnTake = [this](std::string label, std::vector<td7::TParameterEdit> edits) {
            if (OnTake) OnTake(std::move(label), std::move(edits));
        };
        // Undo and redo reach the step just taken from here too.
        for (TCommand command : {TCommand::Undo, TCommand::Redo})
            if (QAction* action = m_main.Menu().Action(command)) m_window->addAction(action);
        if (OnWindowMade) OnWindowMade(*m_window);
    }
    m_window->show();
    m_window->SetOther(std::move(other));
    m_window->raise();
    m_window->activateWindow();
}

std::optional<TCompareOther> TCompareCommand::ChooseFile() {
    const QString start = QFile::decodeName(m_main.FileDialogDir().string().c_str());
    const QString chosen = m_dialogs.Run(m_open, start, m_chooser.get());
    if (chosen.isEmpty()) return std::nullopt;
    const std::filesystem::path path = QFile::encodeName(chosen).toStdString();
    m_main.SetLastDir(std::filesystem::absolute(path).parent_path());
    TCompareOther other;
    other.Image = td7::ReadPatchFile(path);
    other.Name = QFileInfo(chosen).fileName().toStdString();
    return other;
}

std::optional<TCompareOther> TCompareCommand::ChooseKit() {
    library::TLibrary* lib = m_library ? m_library() : nullptr;
    if (lib == nullptr) return std::nullopt;
    TfmKitPicker picker(*lib, m_main.Errors(), m_chooser.get());
    const std::optional<library::TItem> kit = picker.Pick();
    if (!kit) return std::nullopt;
    TCompareOther other;
    other.Image = lib->ItemBytes(kit->Id);
    other.Name = "library kit \"" + kit->Name + "\"";
    return other;
}

}  // namespace editor
