#include "editor/patch/PatchList.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace editor {

namespace {

class LineDelegate : public QStyledItemDelegate {
  public:
    explicit LineDelegate(TOwnerDrawList* list) : QStyledItemDelegate(list), m_list(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const QPalette::ColorGroup group =
            option.state.testFlag(QStyle::State_Enabled) ? QPalette::Active : QPalette::Disabled;
        painter->save();
        painter->setFont(m_list->font());
        painter->fillRect(option.rect, option.palette.color(
                                           group, selected ? QPalette::Highlight : QPalette::Base));
        painter->setPen(
            option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        if (m_list->OnDrawItem)
            m_list->OnDrawItem(m_list, index.row(), *painter, option.rect, selected);
        if (option.state.testFlag(QStyle::State_HasFocus) && selected) {
            QStyleOptionFocusRect focus;
            focus.rect = option.rect;
            focus.state = option.state;
            focus.backgroundColor = option.palette.color(QPalette::Highlight);
            m_list->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, m_list);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(m_list->LineHeight());
        return size;
    }

  private:
    TOwnerDrawList* m_list;
};

}  // namespace

TOwnerDrawList::TOwnerDrawList(int count, int lineHeight, QWidget* parent)
    : QListWidget(parent), m_lineHeight(lineHeight) {
    setItemDelegate(new LineDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The texts are placeholders: the lines are drawn from the records.
    for (int k = 0; k < count; ++k) addItem(QString::number(k));
    connect(this, &QListWidget::currentRowChanged, this, [this](int) {
        if (m_silent) return;
        m_changedByPress = true;
        Clicked();
    });
}

void TOwnerDrawList::Clicked() {
    if (OnClick) OnClick(this);
}

void TOwnerDrawList::mousePressEvent(QMouseEvent* event) {
    m_changedByPress = false;
    QListWidget::mousePressEvent(event);
}

void TOwnerDrawList::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    // A click on the line that is already selected selects it again.
    if (!m_changedByPress && event->button() == Qt::LeftButton) {
        const QListWidgetItem* line = itemAt(event->position().toPoint());
        if (line != nullptr && line == currentItem()) Clicked();
    }
    m_changedByPress = false;
}

void TOwnerDrawList::RepaintLine(int index) {
    if (QListWidgetItem* line = item(index)) viewport()->update(visualItemRect(line));
}

void TOwnerDrawList::SelectSilently(int index) {
    m_silent = true;
    setCurrentRow(index);
    m_silent = false;
}

void DrawLineText(QPainter& painter, const QRect& rect, const QString& text) {
    painter.drawText(rect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     text);
}

}  // namespace editor
