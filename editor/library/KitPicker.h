#pragma once

// A kit of the library picked from a search list: the kits whose name, tags, note or
// sources hold every word typed, by name.

#include <QDialog>

#include <optional>

#include "library/Library.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace editor {

class ErrorDisplay;

class TfmKitPicker : public QDialog {
    Q_OBJECT
  public:
    // The list shows at most this many kits; typing narrows it.
    static constexpr int kShownKits = 500;

    TfmKitPicker(library::TLibrary& lib, ErrorDisplay& errors, QWidget* parent = nullptr);

    // The kit chosen, or nothing when the user cancelled.
    std::optional<library::TItem> Pick();

    QLineEdit* SearchField() const { return m_search; }
    QListWidget* Kits() const { return m_kits; }
    QPushButton* OkButton() const { return m_ok; }

  private:
    void Search();

    library::TLibrary& m_lib;
    ErrorDisplay& m_errors;
    std::vector<library::TItem> m_found;
    QLineEdit* m_search;
    QListWidget* m_kits;
    QPushButton* m_ok;
};

}  // namespace editor
