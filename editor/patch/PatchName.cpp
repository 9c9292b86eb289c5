#include "editor/patch/PatchName.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

#include "midilink/DumpCollection.h"
#include "midilink/MidiLink.h"
#include "midilink/Templates.h"

namespace editor {

bool NameKeyAccepted(char32_t code) {
    return code >= 32 && code <= 127;
}

std::string NameToStore(const QString& text) {
    std::string name;
    for (const char32_t code : text.toUcs4()) {
        // Record bytes and message data are 7 bits wide.
        if (!NameKeyAccepted(code)) continue;
        if (static_cast<int>(name.size()) == kPatchNameLength) break;
        name.push_back(static_cast<char>(code));
    }
    name.resize(kPatchNameLength, ' ');
    return name;
}

std::string PatchNameMessage(int p, int position) {
    return midilink::FillFields(kPatchNameTemplate, {p, position - kPatchNameAt + 2});
}

int CommitPatchName(const std::string& name, midilink::TDumpCollection& prog,
                    midilink::TMidiLink& link) {
    const int p = prog.Index();
    int changed = 0;
    for (int i = 0; i < kPatchNameLength && i < static_cast<int>(name.size()); ++i) {
        const auto code = static_cast<std::uint8_t>(name[static_cast<std::size_t>(i)]);
        if (code == prog.ReadByte(kPatchNameAt + i)) continue;
        link.SendCommand(PatchNameMessage(p, kPatchNameAt + i), code, midilink::ctRoland);
        prog.WriteByte(kPatchNameAt + i, code);
        ++changed;
    }
    return changed;
}

TPatchNameEdit::TPatchNameEdit(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(kPatchNameLength);
    OnBeep = [] { QApplication::beep(); };
}

void TPatchNameEdit::keyPressEvent(QKeyEvent* event) {
    // Only what types a character is judged; arrows, Home, End and Delete edit as usual.
    const QString text = event->text();
    if (!text.isEmpty()) {
        for (const char32_t code : text.toUcs4()) {
            if (NameKeyAccepted(code)) continue;
            if (OnBeep) OnBeep();
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TPatchNameEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A context menu or another window taking the focus does not leave the field.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return;
    if (OnExit) OnExit(this);
}

}  // namespace editor
