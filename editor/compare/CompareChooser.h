#pragma once

// "Compare With": the patch to compare the current one with, picked from the other 31
// slots (the empty ones cannot be picked), a patch file or a kit of the library.

#include <QDialog>

#include <functional>
#include <optional>

#include "editor/compare/CompareWindow.h"

class QListWidget;
class QPushButton;

namespace editor {

class ErrorDisplay;
class TfmTamboro;

class TfmCompareWith : public QDialog {
    Q_OBJECT
  public:
    TfmCompareWith(TfmTamboro& main, ErrorDisplay& errors, QWidget* parent = nullptr);

    // Shows the slots other than the current one; the choice, or nothing when cancelled.
    std::optional<TCompareOther> Choose();

    // "Patch File..." and "Library Kit...": the other patch, or nothing when the user
    // cancelled there. A failure (a damaged file) is shown and the dialog stays open.
    // Without ChooseKit the library's button is disabled.
    std::function<std::optional<TCompareOther>()> ChooseFile;
    std::function<std::optional<TCompareOther>()> ChooseKit;

    QListWidget* lbSlots() const { return m_slots; }
    QPushButton* btnCompare() const { return m_compare; }
    QPushButton* btnFile() const { return m_file; }
    QPushButton* btnKit() const { return m_kit; }

  private:
    void FillSlots();
    void TakeSlot();
    void TakeFrom(const std::function<std::optional<TCompareOther>()>& choose);

    TfmTamboro& m_main;
    ErrorDisplay& m_errors;
    std::optional<TCompareOther> m_choice;
    QListWidget* m_slots;
    QPushButton* m_compare;
    QPushButton* m_file;
    QPushButton* m_kit;
};

}  // namespace editor
