#pragma once

#include <QWidget>

class QLabel;
class QRadioButton;

namespace editor {

// The main window's bottom line: the status text (hints, the received-dump count, a
// command's result) and the two MIDI activity indicators. A result stays until the next
// command, and comes back when a hint or a count that covered it is gone. A text longer
// than the line ends in "..." and shows whole as the line's tool tip.
class StatusLine : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kHeight = 16;

    explicit StatusLine(QWidget* parent = nullptr);

    // A passing text: a hint, a count, news of a port. Empty shows the result again.
    void SetText(const QString& text);
    // What a command ended with: stays readable until ClearResult.
    void SetResult(const QString& text);
    void ClearResult();
    // The text shown, whole.
    QString Text() const;
    void SetInputActive(bool active);
    void SetOutputActive(bool active);
    bool InputActive() const;
    bool OutputActive() const;

    QLabel* paStatusText() const { return m_text; }
    QRadioButton* rbInput() const { return m_input; }
    QRadioButton* rbOutput() const { return m_output; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Show(const QString& text);

    QString m_shown;
    QString m_result;
    QLabel* m_text;
    QRadioButton* m_input;
    QRadioButton* m_output;
};

}  // namespace editor
