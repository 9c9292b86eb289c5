#pragma once

#include <functional>

#include <QString>
#include <QWidget>

#include "controls/Colors.h"
#include "controls/KnobGeometry.h"

namespace controls {

// A small rotary knob: an integer between Min and Max shown as the angle of a dot on a
// round body, the value as text above it and up to three captions below. Turned by
// dragging vertically, with the keys or with the mouse wheel (a step a notch, LargeChange
// with Ctrl); OnMoving fires for each step the user makes,
// OnMoved once at the end of a move, OnValueChange on every change of Value.
class TQvKnob : public QWidget {
    Q_OBJECT

  public:
    using TNotifyEvent = std::function<void(TQvKnob* sender)>;
    using TOnValueText = std::function<void(TQvKnob* sender, QString& text)>;

    explicit TQvKnob(QWidget* parent = nullptr);
    ~TQvKnob() override;

    const QString& CenterText() const { return m_centerText; }
    void SetCenterText(const QString& text);
    const QString& LeftText() const { return m_leftText; }
    void SetLeftText(const QString& text);
    const QString& RightText() const { return m_rightText; }
    void SetRightText(const QString& text);

    int Max() const { return m_max; }
    void SetMax(int max);
    int Min() const { return m_min; }
    void SetMin(int min);
    int Value() const { return m_value; }
    // Limited to Min..Max; a change redraws only the dot and the value text.
    void SetValue(int value);
    // A move the user makes at once (a screen reader's): Value, then OnMoving and OnMoved.
    void UserMoveTo(int value);
    // The value as the knob shows it (OnValueText's, else the number).
    QString ShownValueText();

    int IndicatorSize() const { return m_indicatorSize; }
    void SetIndicatorSize(int size);
    TColor IndicatorColor() const { return m_indicatorColor; }
    void SetIndicatorColor(TColor color);
    bool DisplayValue() const { return m_displayValue; }
    void SetDisplayValue(bool display);
    TColor KnobColor() const { return m_knobColor; }
    void SetKnobColor(TColor color);
    int LargeChange() const { return m_largeChange; }
    void SetLargeChange(int change);
    int StartAngle() const { return m_startAngle; }
    void SetStartAngle(int angle);
    int TotalAngle() const { return m_totalAngle; }
    void SetTotalAngle(int angle);
    int Margin() const { return m_margin; }
    void SetMargin(int margin);
    int Offset() const { return m_offset; }
    void SetOffset(int offset);

    // Background (the palette's window colour, inherited from the parent until set).
    QColor Color() const;
    void SetColor(TColor color);
    // Colour of the value text and the captions.
    TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor color);

    // The knob's geometry as it stands, for the drawing and for tests.
    TKnobLayout Layout() const;

    TNotifyEvent OnMoved;
    TNotifyEvent OnMoving;
    TOnValueText OnValueText;
    TNotifyEvent OnValueChange;
    TNotifyEvent OnDblClick;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    virtual void NotifyMoved();
    virtual void NotifyMoving();

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    QRect IndicatorBoxAt(int value) const;
    QRect ValueTextArea() const;
    void DrawIndicator(QPainter& painter, int value);
    void DrawValueText(QPainter& painter);
    void DrawFocusFrame(QPainter& painter);
    QRect FocusFrameArea() const;
    void UpdateFocusFrame();
    void StartDrag(int y);

    bool m_dragging = false;
    int m_dragStartY = 0;
    int m_dragStartValue = 0;
    int m_startAngle = 120;
    int m_totalAngle = 300;
    int m_value = 0;
    int m_max = 100;
    int m_min = 0;
    int m_margin = 0;
    QString m_leftText;
    QString m_rightText;
    QString m_centerText;
    int m_indicatorSize = 4;
    TColor m_indicatorColor = clWhite;
    bool m_displayValue = true;
    int m_offset = 7;
    TColor m_knobColor = clBlack;
    int m_largeChange = 10;
    bool m_keyMoved = false;
    int m_wheelRest = 0;  // eighths of a degree not yet turned into a step
    TColor m_fontColor = clWindowText;
};

}  // namespace controls
