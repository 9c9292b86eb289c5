#pragma once

#include <array>
#include <functional>

#include <QList>
#include <QObject>
#include <QStringList>

#include "editor/shell/MenuTable.h"

class QAction;
class QMenu;
class QMenuBar;

namespace editor {

class ErrorDisplay;

// The main window's menu bar, built from the menu table. A feature attaches its handler
// with Connect; an entry without a handler stays disabled. Every handler runs through the
// error display.
class MainMenu : public QObject {
    Q_OBJECT
  public:
    // A handler gets the entry's number (1..32 in the numbered submenus, else 0).
    using Handler = std::function<void(int number)>;

    MainMenu(QMenuBar* bar, ErrorDisplay& errors, QWidget* owner);

    void Connect(TCommand command, Handler handler);
    // Told before any command runs (a new action: the last one's result is old news).
    std::function<void(TCommand)> OnRun;
    // After the command's handler has returned (or failed).
    std::function<void(TCommand)> OnRan;
    bool HasHandler(TCommand command) const;

    // Enables every entry that has a handler and that the state allows.
    void UpdateEnabling(const TCommandState& state);

    // The entry of a command; for the numbered submenus, the submenu's own entry.
    QAction* Action(TCommand command) const;
    // Entry "number" of a numbered submenu or of inline entries.
    QAction* NumberedAction(TCommand command, int number) const;
    // The texts of a command's inline entries: entry k shows "&k " and text k; the
    // entries beyond the list, and their separator when the list is empty, are hidden.
    void SetEntryTexts(TCommand command, const QStringList& texts);
    QMenu* Menu(TCommand command) const;

  private:
    void Build(QMenu* parent, const TMenuNode& node);
    void BuildInline(QMenu* parent, const TMenuNode& node);
    void Run(TCommand command, int number);

    ErrorDisplay& m_errors;
    QWidget* m_owner;
    std::array<QAction*, kCommandCount> m_actions{};
    std::array<QMenu*, kCommandCount> m_submenus{};
    std::array<Handler, kCommandCount> m_handlers{};
    std::array<QList<QAction*>, kCommandCount> m_inline{};  // separator first, then entries
};

}  // namespace editor
