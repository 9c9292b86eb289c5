#include "editor/instrument/InstrumentList.h"

#include <cstdio>

#include <QAbstractListModel>
#include <QPainter>
#include <QStyledItemDelegate>

#include "editor/patch/PatchPanel.h"

namespace editor {

namespace {

// Lines without data of their own; the delegate asks the list for each line's text.
class LineModel : public QAbstractListModel {
  public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : TInstrumentList::kLines;
    }
    QVariant data(const QModelIndex&, int) const override { return {}; }
};

// Draws a line's text one pixel right of its left edge, at its top, over the selection
// colour when selected.
class LineDelegate : public QStyledItemDelegate {
  public:
    explicit LineDelegate(TInstrumentList* list) : QStyledItemDelegate(list), m_list(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const QPalette& colors = option.palette;
        painter->save();
        painter->fillRect(option.rect, selected ? colors.highlight() : colors.base());
        painter->setPen(selected ? colors.highlightedText().color() : colors.text().color());
        painter->setFont(option.font);
        const QFontMetrics metrics(option.font);
        painter->drawText(option.rect.left() + 1, option.rect.top() + metrics.ascent(),
                          m_list->LineText(index.row()));
        if (option.state.testFlag(QStyle::State_HasFocus)) {
            painter->setPen(QPen(colors.highlightedText().color(), 1, Qt::DotLine));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {m_list->viewport()->width(), TInstrumentList::kLineHeight};
    }

  private:
    TInstrumentList* m_list;
};

}  // namespace

std::string InstrumentLine(int i, std::string_view nameText) {
    std::string name(nameText);
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    char number[16];
    std::snprintf(number, sizeof number, "%3d: ", i + 1);
    return number + name;
}

TInstrumentList::TInstrumentList(QWidget* parent)
    : QListView(parent), m_model(new LineModel(this)) {
    setObjectName(QStringLiteral("lbInst"));
    setToolTip(QStringLiteral("Instrument Selector"));
    setStatusTip(QStringLiteral("Instrument Selector"));
    setFont(ListFont());
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new LineDelegate(this));
    setModel(m_model);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { CurrentChanged(current.row()); });
    SetItemIndex(0);
}

TInstrumentList::~TInstrumentList() = default;

int TInstrumentList::ItemIndex() const {
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void TInstrumentList::SetItemIndex(int index) {
    if (index < 0 || index >= kLines) return;
    m_settingIndex = true;
    const QModelIndex line = m_model->index(index, 0);
    selectionModel()->setCurrentIndex(line, QItemSelectionModel::ClearAndSelect);
    scrollTo(line);
    m_settingIndex = false;
}

void TInstrumentList::RedrawLine(int index) {
    if (index < 0 || index >= kLines) return;
    viewport()->update(visualRect(m_model->index(index, 0)));
}

QString TInstrumentList::LineText(int index) const {
    if (!OnDrawItem) return {};
    return QString::fromLatin1(OnDrawItem(index));
}

void TInstrumentList::CurrentChanged(int index) {
    if (m_settingIndex || index < 0) return;
    if (OnClick) OnClick(this);
}

}  // namespace editor
