#pragma once

// The patch editor's owner-drawn lists: every line is drawn by the window from the
// records, the items themselves are placeholders.

#include <functional>

#include <QListWidget>

namespace editor {

// A list box whose lines have a fixed height and are drawn by OnDrawItem. The painter
// comes with the list's font, the line's background filled and the pen in its text colour.
class TOwnerDrawList : public QListWidget {
    Q_OBJECT
  public:
    using TDrawItemEvent = std::function<void(TOwnerDrawList* sender, int index, QPainter& painter,
                                              const QRect& rect, bool selected)>;

    TOwnerDrawList(int count, int lineHeight, QWidget* parent = nullptr);

    int LineHeight() const { return m_lineHeight; }
    // Redraws one line.
    void RepaintLine(int index);
    // Selects a line as the program does: nothing is reported.
    void SelectSilently(int index);

    TDrawItemEvent OnDrawItem;
    // The user selected a line with the keys or clicked one, the selected one included.
    std::function<void(TOwnerDrawList* sender)> OnClick;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void Clicked();

    int m_lineHeight;
    bool m_silent = false;
    bool m_changedByPress = false;
};

// Draws a line's text one pixel right of its left edge, at its top.
void DrawLineText(QPainter& painter, const QRect& rect, const QString& text);

}  // namespace editor
