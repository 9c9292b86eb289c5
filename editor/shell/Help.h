#pragma once

// The help file "tamboro.hlp" (HTML inside) in a help window: Help > Contents opens its
// contents, F1 the page of the window it is pressed in.

#include <QDialog>
#include <QString>

#include "td7/settings/Version.h"

class QTextBrowser;

namespace editor {

// The help contexts of the windows: anchors of the help file.
inline constexpr int kHelpMainWindow = 8;
inline constexpr int kHelpInstrumentEditor = 10;
inline constexpr int kHelpSystemWindow = 11;
// The library window.
inline constexpr int kHelpLibraryWindow = 12;
// The compare window.
inline constexpr int kHelpCompareWindow = 13;
// The progress window: requests, transmissions and their checks.
inline constexpr int kHelpTransfers = 14;
// The trigger check.
inline constexpr int kHelpTriggerCheck = 16;
// The Play menu: grooves and velocity runs.
inline constexpr int kHelpPlay = 17;

// The help file's text: the copy beside the program when there is one, else an installed
// program's in ../share/tamboro/, else the one built into it.
QString HelpFileText(const QString& programDir = {});

class THelpWindow : public QDialog {
    Q_OBJECT
  public:
    explicit THelpWindow(const QString& programDir = {}, QWidget* parent = nullptr);

    // The contents page.
    void ShowContents();
    // The page of a help context (8, 10, 11).
    void ShowContext(int context);

    QTextBrowser* Browser() const { return m_browser; }
    // The anchor shown last ("contents" or the context's number).
    const QString& CurrentAnchor() const { return m_anchor; }
    // A named place within a page ("versions" in the library's).
    void ShowAnchor(const QString& anchor);

  private:

    QTextBrowser* m_browser;
    QString m_anchor;
};

}  // namespace editor
