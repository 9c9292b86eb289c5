#pragma once

#include <QWidget>

class QLabel;
class QRadioButton;

namespace editor {

// The main window's bottom line: the status text (hints and the received-dump count) and
// the two MIDI activity indicators.
class StatusLine : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kHeight = 16;

    explicit StatusLine(QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const;
    void SetInputActive(bool active);
    void SetOutputActive(bool active);
    bool InputActive() const;
    bool OutputActive() const;

    QLabel* paStatusText() const { return m_text; }
    QRadioButton* rbInput() const { return m_input; }
    QRadioButton* rbOutput() const { return m_output; }

  private:
    QLabel* m_text;
    QRadioButton* m_input;
    QRadioButton* m_output;
};

}  // namespace editor
