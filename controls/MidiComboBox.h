#pragma once

#include <functional>

#include <QComboBox>
#include <QStringList>

#include "controls/BoundControl.h"
#include "controls/Colors.h"

namespace controls {

// vmValue: an item stands for a value (its Values entry, else its index). vmCommand: an
// item stands for a whole command template (its Values entry), sent with the value 0.
enum TValueMode { vmValue, vmCommand };

struct TDrawItemState {
    bool selected = false;      // highlighted line of the open list
    bool comboBoxEdit = false;  // the closed box's face, showing the current item
};

// A combo box bound to a module parameter. Choosing an item stores and sends its value;
// opening the list and choosing the item that was already selected sends nothing.
class TMidiComboBox : public QComboBox, public TBoundControl {
    Q_OBJECT

  public:
    using TNotifyEvent = std::function<void(TMidiComboBox* sender)>;
    // Draws item index into rect. The painter comes with the box's font, the background
    // filled and the pen in the text colour (highlighted ones for a selected line).
    using TDrawItemEvent = std::function<void(TMidiComboBox* sender, int index, QPainter& painter,
                                              const QRect& rect, TDrawItemState state)>;

    explicit TMidiComboBox(QWidget* parent = nullptr);
    ~TMidiComboBox() override;

    const QStringList& Values() const { return m_values; }
    void SetValues(const QStringList& values) { m_values = values; }
    TValueMode ValueMode() const { return m_valueMode; }
    // vmCommand needs one Values entry per item; otherwise the mode stays.
    void SetValueMode(TValueMode mode);
    TColor NonDefaultColor() const { return m_nonDefaultColor; }
    // Colour of the text on the closed box (the arrow and the open list keep theirs).
    TColor FontColor() const { return m_fontColor; }
    void SetNonDefaultColor(TColor color);
    // Height of a line of the open list; 0 leaves it to the style.
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height) { m_itemHeight = height; }

    // Value of item index in vmValue mode: its Values entry as a decimal number when it
    // has one, else the index itself.
    int ItemValue(int index) const;

    void ValueToBinding() override;
    void ValueFromBinding(midilink::TValueMidiCom* binding, std::int32_t value) override;
    void UpdateColor() override;

    void showPopup() override;

    // Fired when the user chooses an item (OnClick, then the value is sent, then
    // OnChange) and when the list opens. Choosing by program fires nothing.
    TNotifyEvent OnClick;
    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    // When set, the window draws every item itself: the lines of the open list and the
    // face of the closed box.
    TDrawItemEvent OnDrawItem;

    // Runs OnDrawItem with the painter prepared; a failure is reported and the other
    // items still draw.
    void DrawItem(QPainter& painter, int index, const QRect& rect, TDrawItemState state,
                  const QPalette& colors);

    // A narrow arrow leaves the face of the closed box more room, for a box whose texts
    // need all its width.
    bool NarrowArrow() const { return m_narrowArrow; }
    void SetNarrowArrow(bool narrow);
    // Where the closed box shows its current item.
    QRect FaceRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Click();
    void SetFontColor(TColor color);

    QStringList m_values;
    TValueMode m_valueMode = vmValue;
    TColor m_nonDefaultColor = clHighlight;
    TColor m_fontColor = clWindowText;
    int m_dropDownIndex = -1;
    int m_itemHeight = 0;
    bool m_ownerDrawList = false;
    bool m_narrowArrow = false;
};

}  // namespace controls
