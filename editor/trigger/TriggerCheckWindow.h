#pragma once

// Patch > "Trigger Check...": the non-modal window that records every note the pads send
// while it is open, stamped on the MIDI thread, and shows per pad of the current patch what
// the triggers do (the chart), the double triggers and the crosstalk found, and suggestions
// which trigger parameter to turn. "Apply" makes a suggestion's one step as an undoable edit
// sent like any edit; "Start Again" clears the counts so that the drummer plays again and
// sees the difference. Hits are handled at most once a frame.

#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "editor/files/FileDialogs.h"
#include "td7/triggers/TriggerCheck.h"
#include "td7/triggers/TriggerSuggestions.h"

class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace editor {

class ErrorDisplay;
class FileDialogs;
class THelpWindow;
class TPadChart;
class TfmTamboro;

class TfmTriggerCheck : public QWidget {
    Q_OBJECT
  public:
    static constexpr std::chrono::milliseconds kFrame{16};

    TfmTriggerCheck(TfmTamboro& main, FileDialogs& dialogs, QWidget* parent = nullptr);
    ~TfmTriggerCheck() override;

    // Takes the hits waiting in the session and shows them.
    void HandleHits();
    // Forgets the notes; the recording goes on.
    void StartAgain();
    // Makes suggestion k's step; nothing when it has none or a transfer runs.
    void Apply(int k);
    // Asks for a file and writes the notes there as CSV and the chart beside it as PNG.
    void SaveHits();
    // The chart as a PNG image.
    QByteArray ChartPng() const;

    const td7::TTriggerCheck& Check() const { return m_check; }
    const std::vector<td7::TSuggestion>& Suggestions() const { return m_suggestions; }
    TPadChart* Chart() const { return m_chart; }
    QTableWidget* Doubles() const { return m_doubles; }
    QTableWidget* Crosstalk() const { return m_crosstalk; }
    QListWidget* SuggestionList() const { return m_list; }
    QPushButton* ApplyButton() const { return m_apply; }
    QSpinBox* DoubleWindow() const { return m_doubleWindow; }
    QSpinBox* CrosstalkWindow() const { return m_crosstalkWindow; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // The pads and values of the current patch, then the views.
    void PatchChanged();
    void ValuesChanged();
    void Refresh();
    void FillTables();
    void FillSuggestions();
    void HitArrived();

    TfmTamboro& m_main;
    ErrorDisplay& m_errors;
    FileDialogs& m_dialogs;
    TFileDialog m_save;
    std::unique_ptr<THelpWindow> m_help;
    td7::TTriggerCheck m_check;
    std::vector<std::optional<td7::TTriggerValues>> m_values;
    std::vector<td7::TSuggestion> m_suggestions;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastHandled{};
    bool m_handlingQueued = false;

    TPadChart* m_chart;
    QTableWidget* m_doubles;
    QTableWidget* m_crosstalk;
    QListWidget* m_list;
    QPushButton* m_apply;
    QSpinBox* m_doubleWindow;
    QSpinBox* m_crosstalkWindow;
    QLabel* m_count;
    QTimer* m_valuesLater;
};

}  // namespace editor
