#include "editor/shell/MainMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "editor/common/ErrorDisplay.h"

namespace editor {

namespace {

int Slot(TCommand command) {
    return static_cast<int>(command);
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

MainMenu::MainMenu(QMenuBar* bar, ErrorDisplay& errors, QWidget* owner)
    : QObject(bar), m_errors(errors), m_owner(owner) {
    for (const TMenuNode& menu : MainMenuTable()) {
        QMenu* m = bar->addMenu(Text(menu.Text));
        m->setObjectName(Text(menu.Name));
        for (const TMenuNode& entry : menu.Children) Build(m, entry);
    }
    UpdateEnabling({});
}

void MainMenu::Build(QMenu* parent, const TMenuNode& node) {
    if (node.Inline) return BuildInline(parent, node);
    if (node.Text == "-") {
        parent->addSeparator();
        return;
    }
    if (!node.Children.empty() || node.NumberedEntries > 0) {
        QMenu* sub = parent->addMenu(Text(node.Text));
        sub->setObjectName(Text(node.Name));
        sub->menuAction()->setObjectName(Text(node.Name));
        for (const TMenuNode& child : node.Children) Build(sub, child);
        for (int k = 1; k <= node.NumberedEntries; ++k) {
            QAction* a = sub->addAction(QString::number(k));
            a->setObjectName(Text(node.Name) + QString::number(k));
            const TCommand command = node.Command;
            connect(a, &QAction::triggered, this, [this, command, k] { Run(command, k); });
        }
        if (node.Command != TCommand::None) {
            m_actions[Slot(node.Command)] = sub->menuAction();
            m_submenus[Slot(node.Command)] = sub;
        }
        return;
    }
    QAction* a = parent->addAction(Text(node.Text));
    a->setObjectName(Text(node.Name));
    // Several shortcuts are separated by "; " ("Ctrl+Shift+Z; Ctrl+Y").
    if (!node.Shortcut.empty()) a->setShortcuts(QKeySequence::listFromString(Text(node.Shortcut)));
    a->setCheckable(node.Checkable);
    const TCommand command = node.Command;
    connect(a, &QAction::triggered, this, [this, command] { Run(command, 0); });
    m_actions[Slot(command)] = a;
}

void MainMenu::BuildInline(QMenu* parent, const TMenuNode& node) {
    QList<QAction*>& entries = m_inline[Slot(node.Command)];
    entries.append(parent->addSeparator());
    for (int k = 1; k <= node.NumberedEntries; ++k) {
        QAction* a = parent->addAction(QString());
        a->setObjectName(Text(node.Name) + QString::number(k));
        if (k <= 9) a->setShortcut(QKeySequence(QStringLiteral("Alt+%1").arg(k)));
        const TCommand command = node.Command;
        connect(a, &QAction::triggered, this, [this, command, k] { Run(command, k); });
        entries.append(a);
    }
    SetEntryTexts(node.Command, {});
}

void MainMenu::SetEntryTexts(TCommand command, const QStringList& texts) {
    const QList<QAction*>& entries = m_inline[Slot(command)];
    if (entries.isEmpty()) return;
    entries.front()->setVisible(!texts.isEmpty());
    for (qsizetype k = 1; k < entries.size(); ++k) {
        QAction* a = entries[k];
        const bool shown = k <= texts.size();
        // "&" in a file name is shown as it is, not taken as a mnemonic.
        a->setText(shown
                       ? QStringLiteral("&%1 %2").arg(k).arg(
                             QString(texts[k - 1]).replace(QLatin1Char('&'), QStringLiteral("&&")))
                       : QString());
        a->setVisible(shown);
    }
}

void MainMenu::Connect(TCommand command, Handler handler) {
    m_handlers[Slot(command)] = std::move(handler);
}

bool MainMenu::HasHandler(TCommand command) const {
    return static_cast<bool>(m_handlers[Slot(command)]);
}

void MainMenu::UpdateEnabling(const TCommandState& state) {
    for (int c = 1; c < kCommandCount; ++c) {
        const auto command = static_cast<TCommand>(c);
        const bool enabled = HasHandler(command) && CommandEnabled(command, state);
        if (QAction* a = m_actions[c]) a->setEnabled(enabled);
        for (qsizetype k = 1; k < m_inline[c].size(); ++k) m_inline[c][k]->setEnabled(enabled);
    }
}

QAction* MainMenu::Action(TCommand command) const {
    return m_actions[Slot(command)];
}

QAction* MainMenu::NumberedAction(TCommand command, int number) const {
    const QList<QAction*>& entries = m_inline[Slot(command)];
    if (!entries.isEmpty())
        return number >= 1 && number < entries.size() ? entries[number] : nullptr;
    const QMenu* sub = m_submenus[Slot(command)];
    if (sub == nullptr || number < 1 || number > sub->actions().size()) return nullptr;
    return sub->actions().at(number - 1);
}

QMenu* MainMenu::Menu(TCommand command) const {
    return m_submenus[Slot(command)];
}

void MainMenu::Run(TCommand command, int number) {
    const Handler& handler = m_handlers[Slot(command)];
    if (!handler) return;
    if (OnRun) OnRun(command);
    m_errors.RunCommand([&] { handler(number); }, m_owner);
    if (OnRan) OnRan(command);
}

}  // namespace editor
