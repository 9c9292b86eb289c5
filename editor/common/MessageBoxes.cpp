#include "editor/common/MessageBoxes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>

#include "td7/settings/Version.h"

namespace editor {

namespace {

// A question box that neither Escape nor the title bar answers.
class NoEscapeBox : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel)) return;
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

}  // namespace

QString MessageBoxes::CaptionOf(TBoxKind kind) {
    switch (kind) {
        case TBoxKind::Confirm:
        case TBoxKind::ConfirmCancel:
        case TBoxKind::ConfirmNoEscape:
            return QStringLiteral("Confirm...");
        case TBoxKind::Information:
            return QStringLiteral("Information...");
        case TBoxKind::Error:
            break;
    }
    return QString::fromLatin1(td7::kApplicationTitle) + QStringLiteral(" Error...");
}

bool MessageBoxes::Confirm(const QString& text, QWidget* owner) {
    return Ask(TBoxKind::Confirm, text, owner) == TAnswer::Yes;
}

TAnswer MessageBoxes::ConfirmCancel(const QString& text, QWidget* owner) {
    return Ask(TBoxKind::ConfirmCancel, text, owner);
}

bool MessageBoxes::ConfirmNoEscape(const QString& text, QWidget* owner) {
    return Ask(TBoxKind::ConfirmNoEscape, text, owner) == TAnswer::Yes;
}

void MessageBoxes::Information(const QString& text, QWidget* owner) {
    Ask(TBoxKind::Information, text, owner);
}

void MessageBoxes::Error(const QString& text, QWidget* owner) {
    Ask(TBoxKind::Error, text, owner);
}

TAnswer MessageBoxes::Ask(TBoxKind kind, const QString& text, QWidget* owner) {
    if (!m_headless) return Show(kind, text, owner);
    m_shown.push_back({kind, CaptionOf(kind), text});
    if (!m_answers.empty()) {
        const TAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    switch (kind) {
        case TBoxKind::Confirm:
        case TBoxKind::ConfirmNoEscape:
            return TAnswer::No;
        case TBoxKind::ConfirmCancel:
            return TAnswer::Cancel;
        case TBoxKind::Information:
        case TBoxKind::Error:
            break;
    }
    return TAnswer::Ok;
}

TAnswer MessageBoxes::Show(TBoxKind kind, const QString& text, QWidget* owner) {
    if (owner == nullptr) owner = QApplication::activeWindow();
    NoEscapeBox guarded(owner);
    QMessageBox plain(owner);
    QMessageBox& box = kind == TBoxKind::ConfirmNoEscape ? guarded : plain;
    box.setWindowTitle(CaptionOf(kind));
    box.setText(text);
    switch (kind) {
        case TBoxKind::Confirm:
        case TBoxKind::ConfirmNoEscape:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case TBoxKind::ConfirmCancel:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case TBoxKind::Information:
            box.setIcon(QMessageBox::Information);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case TBoxKind::Error:
            box.setIcon(QMessageBox::Warning);
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes:
            return TAnswer::Yes;
        case QMessageBox::No:
            return TAnswer::No;
        case QMessageBox::Cancel:
            return TAnswer::Cancel;
        default:
            break;
    }
    // Closing a question box with Escape or the title bar is a no (or a cancel).
    if (kind == TBoxKind::Confirm) return TAnswer::No;
    if (kind == TBoxKind::ConfirmCancel) return TAnswer::Cancel;
    return TAnswer::Ok;
}

}  // namespace editor
