#include "controls/MidiComboBox.h"

#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include "controls/Arrow.h"
#include "controls/Error.h"

namespace controls {

namespace {

const char* const kValuesMismatch =
    "Number of values must be equal to number of items in this mode";

// Lines of the open list, drawn by the box's OnDrawItem.
class OwnerDrawDelegate : public QStyledItemDelegate {
  public:
    explicit OwnerDrawDelegate(TMidiComboBox* combo) : QStyledItemDelegate(combo), m_combo(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (!m_combo->OnDrawItem) return QStyledItemDelegate::paint(painter, option, index);
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        m_combo->DrawItem(*painter, index.row(), option.rect, {selected, false}, option.palette);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (m_combo->ItemHeight() > 0) size.setHeight(m_combo->ItemHeight());
        return size;
    }

  private:
    TMidiComboBox* m_combo;
};

}  // namespace

TMidiComboBox::TMidiComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this,
            [this](int) { GuardUserAction(this, [this] { Click(); }); });
}

TMidiComboBox::~TMidiComboBox() = default;

void TMidiComboBox::SetValueMode(TValueMode mode) {
    if (mode == vmCommand && m_values.size() != count()) throw Error(kValuesMismatch);
    m_valueMode = mode;
    UpdateColor();
}

void TMidiComboBox::SetNonDefaultColor(TColor color) {
    m_nonDefaultColor = color;
    UpdateColor();
}

int TMidiComboBox::ItemValue(int index) const {
    if (index < 0 || index >= m_values.size()) return index;
    bool ok = false;
    const int value = m_values[index].toInt(&ok, 10);
    if (!ok) throw Error("'" + m_values[index].toStdString() + "' is not a valid integer value");
    return value;
}

void TMidiComboBox::ValueToBinding() {
    const int index = currentIndex();
    if (m_valueMode == vmCommand) {
        if (m_values.size() != count()) throw Error(kValuesMismatch);
        // No item chosen, no command to send.
        if (index >= 0) {
            MidiCom().SetMidiCommand(m_values[index].toStdString());
            MidiCom().SetValue(0);
        }
    } else if (index >= 0) {
        StoreValue(ItemValue(index));
    }
    UpdateColor();
}

void TMidiComboBox::ValueFromBinding(midilink::TValueMidiCom*, std::int32_t value) {
    if (m_valueMode == vmValue) {
        // A value below the number of Values is looked up among them; any other is taken
        // as an item index (none when there is no such item).
        if (value < m_values.size())
            setCurrentIndex(m_values.indexOf(QString::number(value)));
        else
            setCurrentIndex(value < count() ? value : -1);
    }
    UpdateColor();
}

void TMidiComboBox::UpdateColor() {
    if (m_valueMode == vmCommand) return SetFontColor(clBlack);
    const int index = currentIndex();
    const int shown = index < 0 ? -1 : ItemValue(index);
    SetFontColor(shown == MidiCom().Default() ? clBlack : m_nonDefaultColor);
}

void TMidiComboBox::SetFontColor(TColor color) {
    m_fontColor = color;
    update();
}

void TMidiComboBox::showPopup() {
    if (OnDropDown) OnDropDown(this);
    if (OnDrawItem && !m_ownerDrawList) {
        setItemDelegate(new OwnerDrawDelegate(this));
        m_ownerDrawList = true;
    }
    QComboBox::showPopup();
    m_dropDownIndex = currentIndex();
}

void TMidiComboBox::Click() {
    if (OnClick) OnClick(this);
    if (m_dropDownIndex == -1 || m_dropDownIndex != currentIndex()) {
        m_dropDownIndex = -1;
        ValueToBinding();
    }
    if (OnChange) OnChange(this);
}

void TMidiComboBox::DrawItem(QPainter& painter, int index, const QRect& rect, TDrawItemState state,
                             const QPalette& colors) {
    painter.save();
    painter.setFont(font());
    if (state.selected) {
        painter.fillRect(rect, colors.color(QPalette::Highlight));
        painter.setPen(colors.color(QPalette::HighlightedText));
    } else if (state.comboBoxEdit) {
        // The face keeps the style's own background.
        painter.setPen(ToQColor(m_fontColor, colors));
    } else {
        painter.fillRect(rect, colors.color(QPalette::Base));
        painter.setPen(colors.color(QPalette::Text));
    }
    GuardUserAction(this, [&] { OnDrawItem(this, index, painter, rect, state); });
    painter.restore();
}

namespace {

constexpr int kNarrowArrowWidth = 11;  // the triangle and a pixel either side
constexpr int kFrameWidth = 2;

}  // namespace

void TMidiComboBox::SetNarrowArrow(bool narrow) {
    m_narrowArrow = narrow;
    update();
}

QRect TMidiComboBox::FaceRect() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    QRect face =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    if (m_narrowArrow) face.setRight(width() - kFrameWidth - kNarrowArrowWidth - 1);
    return face;
}

void TMidiComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // Frame and arrow in the style's colours; only the text takes the font colour.
    if (m_narrowArrow) option.subControls &= ~QStyle::SC_ComboBoxArrow;
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (m_narrowArrow) {
        const QRect box(width() - kFrameWidth - kNarrowArrowWidth, kFrameWidth, kNarrowArrowWidth,
                        height() - 2 * kFrameWidth);
        const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
        DrawArrow(painter, box.adjusted(0, 4, 0, -4), TArrow::Down,
                  palette().color(group, QPalette::ButtonText));
    }
    if (!OnDrawItem) {
        const QColor text = ToQColor(m_fontColor, palette());
        option.palette.setColor(QPalette::ButtonText, text);
        option.palette.setColor(QPalette::Text, text);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
        return;
    }
    if (currentIndex() < 0) return;
    DrawItem(painter, currentIndex(), FaceRect(), {false, true}, palette());
}

}  // namespace controls
