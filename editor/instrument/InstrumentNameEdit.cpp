#include "editor/instrument/InstrumentNameEdit.h"

#include <QApplication>
#include <QKeyEvent>

#include "td7/map/InstrumentName.h"

namespace editor {

TNameEdit::TNameEdit(int maxLength, QWidget* parent) : QLineEdit(parent) {
    setMaxLength(maxLength);
}

std::u32string TNameEdit::Codes() const {
    std::u32string codes;
    for (char32_t code : text().toUcs4()) codes.push_back(code);
    return codes;
}

void TNameEdit::keyPressEvent(QKeyEvent* event) {
    // Only keys that type a character meet the rule; editing keys, the keys of the dialog
    // (Enter, Escape, Tab) and shortcuts (Ctrl with a key gives a control code) keep their
    // meaning.
    const QString typed = event->text();
    const bool shortcut = event->modifiers().testFlag(Qt::ControlModifier) ||
                          event->modifiers().testFlag(Qt::MetaModifier);
    static constexpr int kDialogKeys[] = {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return,
                                          Qt::Key_Enter,     Qt::Key_Escape, Qt::Key_Tab,
                                          Qt::Key_Backtab};
    bool editingKey = false;
    for (int key : kDialogKeys) editingKey |= event->key() == key;
    if (!typed.isEmpty() && !shortcut && !editingKey) {
        const char32_t code = typed.toUcs4().value(0);
        if (!td7::InstrumentNameKeyAccepted(code)) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TNameEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    if (OnExit) OnExit(this);
}

}  // namespace editor
