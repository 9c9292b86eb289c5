#pragma once

// What the instrument editor and the system window share: a fixed dialog with a close box
// only, centred on the screen, the panels' small serif font, panels with a title tab in
// the button-face colour on a window that takes the main window's background colour, a
// View and a Close button, and closing with OK (Enter and Escape both close it).

#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include <QDialog>

class QLabel;
class QPushButton;

namespace controls {
class TQvKnob;
}

namespace editor {

class ErrorDisplay;
class THelpWindow;
struct TControlPlace;
struct TPanelPlace;
struct TRect;
class TPatchPanel;

class TSetupDialog : public QDialog {
    Q_OBJECT
  public:
    TSetupDialog(const QString& caption, QSize client, int helpContext, QWidget* parent);
    ~TSetupDialog() override;

    // Shown modally; the result is always Accepted.
    int ShowModal();
    // The window's own background (the panels keep the button face).
    void SetColor(const QColor& color);
    int HelpContext() const { return m_helpContext; }
    // F1 shows the window's page of the help file, looked for in this folder first.
    void SetHelpDir(const QString& dir) { m_helpDir = dir; }
    // The help window once F1 has opened it, else nullptr.
    THelpWindow* HelpWindow() const { return m_help.get(); }

    // The hint of the control under the mouse, for the main window's status line (the
    // dialog has no status line of its own).
    std::function<void(const QString& hint)> OnStatusTip;

    QPushButton* ViewButton() const { return m_view; }    // "View..." (Button2)
    QPushButton* CloseButton() const { return m_close; }  // "Close" (Button1)

    void reject() override;

  protected:
    // Where Run shows failures; none: the controls' error handler shows them.
    void SetErrorDisplay(ErrorDisplay* errors) { m_errors = errors; }
    // A user action, its failure shown and ended there.
    void Run(const std::function<void()>& command);
    // A panel with its title tab at its place in the client area.
    TPatchPanel* MakePanel(const TPanelPlace& place);
    // Places the two buttons (each 75 x 25) with their left edges at these positions.
    void PlaceButtons(QPoint view, QPoint close);
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void ShowHelp();

    int m_helpContext;
    ErrorDisplay* m_errors = nullptr;
    QString m_helpDir;
    std::unique_ptr<THelpWindow> m_help;
    QPushButton* m_view;
    QPushButton* m_close;
};

// The place of a window's control by its parameter name, from the window's table of places.
const TControlPlace& PlaceOf(std::span<const TControlPlace> places, std::string_view name);

// A knob in its slot of a row: the knob centred at the top of the slot, its caption moved
// into a label below it that takes the slot's width and wraps, since the knob would draw
// a long caption over its own body and cut it at its edges.
inline constexpr int kKnobWidth = 33;
inline constexpr int kKnobHeight = 40;
inline constexpr int kCaptionLine = 11;
QLabel* PlaceKnob(controls::TQvKnob* knob, const TRect& slot);

}  // namespace editor
