#pragma once

// The file dialogs of the main window. Each dialog keeps what it was last given (title,
// file name), as one dialog object does in a window that reuses it. A test scripts the
// choices: with the layer headless no dialog is shown and every run is recorded.

#include <deque>
#include <optional>
#include <vector>

#include <QString>

class QFileDialog;
class QWidget;

namespace editor {

enum class TFileDialogMode { Open, Save };

struct TFileDialog {
    TFileDialogMode Mode = TFileDialogMode::Open;
    QString Title;          // empty: the toolkit's own ("Open", "Save As")
    QString Filter;         // as "Description|pattern"
    QString DefaultSuffix;  // appended to a name typed without one
    QString FileName;       // the last choice, or what to propose
};

// "TD7 Data|*.td7" as the toolkit writes it: "TD7 Data (*.td7)".
QString QtFilter(const QString& filter);

// Size, type and date columns as wide as what they show ("65.2 KiB", a whole date); the
// name takes the rest. The toolkit's own widths cut them.
void FitFileColumns(QFileDialog& dialog);

struct TShownFileDialog {
    TFileDialogMode Mode;
    QString Title;
    QString Filter;
    QString DefaultSuffix;
    QString FileName;
    QString Directory;
};

class FileDialogs {
  public:
    FileDialogs() = default;
    virtual ~FileDialogs() = default;
    FileDialogs(const FileDialogs&) = delete;
    FileDialogs& operator=(const FileDialogs&) = delete;

    // Runs the dialog in `directory` (or in the folder of its file name). The chosen file
    // becomes the dialog's file name; an empty result is a cancel. An open dialog takes
    // only an existing file, a save dialog asks before replacing one.
    QString Run(TFileDialog& dialog, const QString& directory, QWidget* owner);

    // Test layer. Headless: no dialog is shown; a run takes the next scripted choice, or,
    // with none left, is cancelled.
    void SetHeadless(bool headless) { m_headless = headless; }
    void SetNextFile(const QString& file) { m_choices.push_back(file); }
    void SetNextCancel() { m_choices.push_back(std::nullopt); }
    const std::vector<TShownFileDialog>& Shown() const { return m_shown; }
    void ClearShown() { m_shown.clear(); }

  protected:
    virtual QString Show(const TFileDialog& dialog, const QString& directory, QWidget* owner);

  private:
    bool m_headless = false;
    std::deque<std::optional<QString>> m_choices;
    std::vector<TShownFileDialog> m_shown;
};

}  // namespace editor
