#pragma once

#include <string>
#include <vector>

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace midilink {
class TMidiDump;
}

namespace editor {

// `fmViewSysex`: one dump record as hexadecimal lines. Editable, but nothing reads the
// text back.
class TfmViewSysex : public QDialog {
    Q_OBJECT
  public:
    explicit TfmViewSysex(QWidget* parent = nullptr);

    // Replaces the text with the lines.
    void SetLines(const std::vector<std::string>& lines);
    // The record sealed and written 16 bytes a line; then the window shown modally.
    void ShowRecord(midilink::TMidiDump& record);

    QPlainTextEdit* Memo1() const { return m_memo; }

  private:
    QPlainTextEdit* m_memo;
    QPushButton* m_close;
};

}  // namespace editor
