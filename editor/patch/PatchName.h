#pragma once

// The patch name field: six characters, typed under the module's rules, and sent one
// data-set message per changed character when the field is left.

#include <functional>
#include <string>
#include <vector>

#include <QLineEdit>

namespace midilink {
class TDumpCollection;
class TMidiLink;
}  // namespace midilink

namespace editor {

inline constexpr int kPatchNameLength = 6;
// Record position of the first name character (data offset 2).
inline constexpr int kPatchNameAt = 11;
// One character of patch p's name: address 00 p 00 (position + 2).
inline constexpr const char* kPatchNameTemplate = "F041v0581200%0.2x00%0.2xd000F7";

// Typing: codes below 32 and above 127 are refused (backspace among them); 127 is taken.
bool NameKeyAccepted(char32_t code);

// The field's text as the record will hold it: characters outside 32..127 dropped (they
// can arrive by pasting), blanks added up to six characters, at most six kept.
std::string NameToStore(const QString& text);

// Sends and writes every character of `name` (six characters) that differs from the
// current patch common record, one message each, addressed to the record's patch.
// Returns how many characters changed.
// The message that sets the name character at record position `position` of patch p; the
// character is its value.
std::string PatchNameMessage(int p, int position);

int CommitPatchName(const std::string& name, midilink::TDumpCollection& prog,
                    midilink::TMidiLink& link);

// `edName`: refuses the characters the module cannot take with a beep, and reports the
// moment focus leaves it for another control of the window.
class TPatchNameEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TPatchNameEdit(QWidget* parent = nullptr);

    std::function<void(TPatchNameEdit* sender)> OnExit;
    // The refusal's sound; the system's default beep unless replaced.
    std::function<void()> OnBeep;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace editor
