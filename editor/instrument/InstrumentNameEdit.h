#pragma once

// The instrument window's name and type fields: the typing rule with the beep, and the
// leaving of the field that stores and sends what changed.

#include <functional>
#include <string>

#include <QLineEdit>

namespace editor {

class TNameEdit : public QLineEdit {
    Q_OBJECT
  public:
    using TNotifyEvent = std::function<void(TNameEdit* sender)>;

    TNameEdit(int maxLength, QWidget* parent = nullptr);

    // The text as character codes, for the toolkit-free name rules.
    std::u32string Codes() const;

    // Fired when the focus leaves the field for another control of the window (not when
    // a context menu opens or another application takes the focus).
    TNotifyEvent OnExit;

  protected:
    void keyPressEvent(QKeyEvent* event) override;  // edNameKeyPress
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace editor
