#pragma once

// Patch > "Compare With...": the chooser, then the compare window with the patch chosen.
// A patch file is read as Patch > Load reads it and refused with its texts; a kit comes
// from the library when the library can be opened.

#include <functional>
#include <memory>
#include <optional>

#include "editor/compare/CompareWindow.h"
#include "editor/files/FileDialogs.h"

namespace library {
class TLibrary;
}

namespace editor {

class TfmCompareWith;
class TfmTamboro;

class TCompareCommand {
  public:
    // `library` opens the library (nullptr when it cannot be; it tells why itself).
    TCompareCommand(TfmTamboro& main, FileDialogs& dialogs,
                    std::function<library::TLibrary*()> library);
    ~TCompareCommand();
    TCompareCommand(const TCompareCommand&) = delete;
    TCompareCommand& operator=(const TCompareCommand&) = delete;

    // The menu command: asks for the other patch, then shows the window.
    void Run();
    // Shows the window comparing the current patch with `other`.
    void Open(TCompareOther other);

    // The window, once it was shown; the chooser, made at the first Run.
    TfmCompare* Window() const { return m_window.get(); }
    TfmCompareWith* Chooser() const { return m_chooser.get(); }

    // What taking a row does: one step of the edit history.
    std::function<void(std::string label, std::vector<td7::TParameterEdit> edits)> OnTake;
    // The compare window has just been made (once): the shell decides where it opens.
    std::function<void(QWidget& window)> OnWindowMade;

  private:
    std::optional<TCompareOther> ChooseFile();
    std::optional<TCompareOther> ChooseKit();

    TfmTamboro& m_main;
    FileDialogs& m_dialogs;
    std::function<library::TLibrary*()> m_library;
    TFileDialog m_open;
    std::unique_ptr<TfmCompareWith> m_chooser;
    std::unique_ptr<TfmCompare> m_window;
};

}  // namespace editor
