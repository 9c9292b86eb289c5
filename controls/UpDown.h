#pragma once

#include <functional>
#include <optional>

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "controls/Arrow.h"

class QPainter;

namespace controls {

// A pair of arrow buttons that steps a 16-bit Position between Min and Max and shows it
// in an associated control (an edit field beside it). The arrow keys pressed in that
// field and the mouse wheel over either step it too; Page Up/Down step by ten. A number
// typed into a field that is not read-only takes effect on Enter or when the field is
// left, limited to Min..Max.
class TUpDown : public QWidget {
    Q_OBJECT

  public:
    enum TUDBtnType { btNext, btPrev };
    enum TUDOrientation { udHorizontal, udVertical };

    using TUDClickEvent = std::function<void(TUpDown* sender, TUDBtnType button)>;
    using TUDChangingEvent = std::function<void(TUpDown* sender, bool& allowChange)>;

    explicit TUpDown(QWidget* parent = nullptr);
    ~TUpDown() override;

    int Position() const { return m_position; }
    // Limited to Min..Max; shown in the associate. Sends nothing.
    void SetPosition(int position);
    int Min() const { return m_min; }
    void SetMin(int min);
    int Max() const { return m_max; }
    void SetMax(int max);
    int Increment() const { return m_increment; }
    void SetIncrement(int increment) { m_increment = increment; }
    bool Wrap() const { return m_wrap; }
    void SetWrap(bool wrap) { m_wrap = wrap; }
    bool ArrowKeys() const { return m_arrowKeys; }
    void SetArrowKeys(bool arrowKeys) { m_arrowKeys = arrowKeys; }
    bool Thousands() const { return m_thousands; }
    void SetThousands(bool thousands);
    TUDOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TUDOrientation orientation);
    QWidget* Associate() const { return m_associate; }
    void SetAssociate(QWidget* associate);

    // One step as the user makes it: OnChanging may refuse it; a step that moves Position
    // ends in Click. At a limit without Wrap nothing happens.
    void Step(TUDBtnType button);
    // A move the user makes at once (a typed number, a screen reader's): limited to
    // Min..Max, then as a step in its direction; a failure is reported.
    void UserMoveTo(long long target);

    TUDChangingEvent OnChanging;
    TUDClickEvent OnClick;

    QSize sizeHint() const override;

  protected:
    virtual void Click(TUDBtnType button);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TArrow ArrowFor(TUDBtnType button) const;
    TUDBtnType ButtonAt(QPoint point) const;
    QRect ButtonRect(TUDBtnType button) const;
    void UserStep(TUDBtnType button);
    // Moves to target (limited to Min..Max) as a step in that direction would.
    void MoveTo(long long target, TUDBtnType button);
    void Wheel(QWheelEvent* event);
    void CommitTyped();
    void FollowEnabled();
    void Repeat();
    void ShowPosition();

    int m_position = 0;
    int m_min = 0;
    int m_max = 100;
    int m_increment = 1;
    bool m_wrap = false;
    bool m_arrowKeys = true;
    bool m_thousands = false;
    TUDOrientation m_orientation = udVertical;
    QPointer<QWidget> m_associate;
    bool m_typable = false;  // the associate is an edit field made to be typed in
    int m_wheelRest = 0;     // eighths of a degree not yet turned into a step
    std::optional<TUDBtnType> m_pressed;
    QTimer m_repeat;
};

}  // namespace controls
