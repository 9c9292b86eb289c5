#pragma once

// The four message-box kinds of the editor. Every window asks through one instance, which
// a test scripts: with answers set, no box is shown and every request is recorded.

#include <deque>
#include <vector>

#include <QString>

class QWidget;

namespace editor {

enum class TBoxKind { Confirm, ConfirmCancel, ConfirmNoEscape, Information, Error };
enum class TAnswer { Yes, No, Cancel, Ok };

struct TShownBox {
    TBoxKind Kind;
    QString Caption;
    QString Text;
};

class MessageBoxes {
  public:
    MessageBoxes() = default;
    virtual ~MessageBoxes() = default;
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;

    // Yes/no question, caption "Confirm...": true for yes.
    bool Confirm(const QString& text, QWidget* owner = nullptr);
    // Yes/no/cancel question with the same caption; Escape and the title bar cancel.
    TAnswer ConfirmCancel(const QString& text, QWidget* owner = nullptr);
    // Yes/no question whose no throws work away: Escape and the title bar's close button
    // do nothing, so only a click or a key on an answer gives one. (In Confirm they say no,
    // which there keeps things as they are.)
    bool ConfirmNoEscape(const QString& text, QWidget* owner = nullptr);
    void Information(const QString& text, QWidget* owner = nullptr);
    // Caption "Tamboro Error...", exclamation icon.
    void Error(const QString& text, QWidget* owner = nullptr);

    static QString CaptionOf(TBoxKind kind);

    // Test layer. Headless: boxes are never shown; a box answers the next scripted answer,
    // or, with none left, its safe default (no, cancel, OK).
    void SetHeadless(bool headless) { m_headless = headless; }
    void SetNextAnswer(TAnswer answer) { m_answers.push_back(answer); }
    const std::vector<TShownBox>& Shown() const { return m_shown; }
    void ClearShown() { m_shown.clear(); }

  protected:
    // Shows one box modally; the owner is the active window when none is given.
    virtual TAnswer Show(TBoxKind kind, const QString& text, QWidget* owner);

  private:
    TAnswer Ask(TBoxKind kind, const QString& text, QWidget* owner);

    bool m_headless = false;
    std::deque<TAnswer> m_answers;
    std::vector<TShownBox> m_shown;
};

}  // namespace editor
