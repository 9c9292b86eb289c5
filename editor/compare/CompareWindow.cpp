#include "editor/compare/CompareWindow.h"

#include <algorithm>
#include <utility>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "editor/common/ErrorDisplay.h"
#include "editor/shell/Help.h"
#include "editor/shell/MainWindow.h"
#include "editor/patch/PatchTexts.h"
#include "td7/map/Td7Collections.h"

namespace editor {

namespace {

constexpr int kRowRole = Qt::UserRole + 1;

QString FromLatin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QStandardItem* Cell(const std::string& text) {
    auto* item = new QStandardItem(FromLatin1(text));
    item->setEditable(false);
    return item;
}

// "03: Funk!" for slot p as the patch list names it, without the name's trailing blanks.
std::string SlotName(TfmTamboro& main, int p) {
    return td7::TrimName(
        PatchLineText(p, main.Present().PatchPresent(p), main.Dumps().ProgDump.Records(p)).Text);
}

}  // namespace

TfmCompare::TfmCompare(TfmTamboro& main, ErrorDisplay& errors, QString helpDir, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_main(main),
      m_errors(errors),
      m_helpDir(std::move(helpDir)),
      m_model(new QStandardItemModel(0, 3, this)),
      m_tree(new QTreeView(this)),
      m_count(new QLabel(this)),
      m_take(new QPushButton(QStringLiteral("Take"), this)),
      m_refresh(new QTimer(this)) {
    setObjectName(QStringLiteral("fmCompare"));
    setProperty("HelpContext", kHelpCompareWindow);
    resize(600, 460);

    m_model->setHorizontalHeaderLabels(
        {QStringLiteral("Parameter"), QStringLiteral("This patch"), QStringLiteral("Other")});
    m_tree->setObjectName(QStringLiteral("tvDifferences"));
    m_tree->setModel(m_model);
    m_tree->setUniformRowHeights(true);
    m_tree->setAlternatingRowColors(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setExpandsOnDoubleClick(false);
    m_tree->header()->setStretchLastSection(true);
    m_tree->setColumnWidth(0, 250);
    m_tree->setColumnWidth(1, 150);
    m_count->setObjectName(QStringLiteral("laCount"));
    m_take->setObjectName(QStringLiteral("btnTake"));
    m_take->setToolTip(QStringLiteral("Set the other patch's value in this patch"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("btnClose"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_count, 1);
    buttons->addWidget(m_take);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);

    connect(m_tree, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { Take(RowOf(index)); });
    connect(m_take, &QPushButton::clicked, this, [this] { Take(SelectedRow()); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { UpdateTakeButton(); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (!m_help) m_help = std::make_unique<THelpWindow>(m_helpDir, this);
        m_help->ShowContext(kHelpCompareWindow);
    });

    // A file loaded or a transfer brings many records at once: one comparison for them all.
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(0);
    connect(m_refresh, &QTimer::timeout, this, [this] { Refresh(); });
    connect(&m_main, &TfmTamboro::DumpRecordChanged, this, &TfmCompare::RefreshLater);
    connect(&m_main, &TfmTamboro::CurrentPatchChanged, this, &TfmCompare::RefreshLater);
    connect(&m_main, &TfmTamboro::InstrumentRecordChanged, this, &TfmCompare::RefreshLater);
}

TfmCompare::~TfmCompare() = default;

void TfmCompare::SetOther(TCompareOther other) {
    m_other = std::move(other);
    m_tree->setCurrentIndex({});
    Refresh();
    // The first row that can be taken is ready for the Take button.
    for (std::size_t k = 0; k < m_rows.size(); ++k)
        if (m_rows[k].Parameter != nullptr) {
            m_tree->setCurrentIndex(m_items[k]->index());
            break;
        }
}

void TfmCompare::RefreshLater() {
    if (isVisible()) m_refresh->start();
}

void TfmCompare::Refresh() {
    m_refresh->stop();
    td7::TTd7Collections& dumps = m_main.Dumps();
    const int p = m_main.CurrentPatch();
    const td7::TPatchRecords other =
        m_other.Slot >= 0 ? td7::SlotRecords(dumps, m_other.Slot) : td7::ImageRecords(m_other.Image);
    const td7::TShownStyle style{.ListTexts = true,
                            .Instruments = &dumps.InstrumentDump,
                            .InstrumentsPresent = m_main.Present().InstrumentsPresent()};
    const std::vector<td7::TCompareRow> before =
        std::exchange(m_rows, td7::ComparePatches(p, td7::SlotRecords(dumps, p), other, style));
    Fill(before);
    m_count->setText(QString::fromStdString(td7::DifferenceCount(m_rows.size())));
    UpdateTitle();
}

void TfmCompare::Fill(const std::vector<td7::TCompareRow>& before) {
    // The selection stays on its parameter, or where it was when that one was taken.
    const int was = SelectedRow();
    const td7::TCompareRow* selected = was >= 0 ? &before[static_cast<std::size_t>(was)] : nullptr;
    int select = -1;
    m_model->removeRows(0, m_model->rowCount());
    QStandardItem* parent = nullptr;
    m_items.clear();
    for (std::size_t k = 0; k < m_rows.size(); ++k) {
        const td7::TCompareRow& row = m_rows[k];
        if (k == 0 || row.Group != m_rows[k - 1].Group) {
            parent = Cell(row.Group);
            parent->setSelectable(false);
            QFont bold = parent->font();
            bold.setBold(true);
            parent->setFont(bold);
            m_model->appendRow({parent, Cell({}), Cell({})});
        }
        QStandardItem* name = Cell(row.Label);
        name->setData(static_cast<int>(k), kRowRole);
        parent->appendRow({name, Cell(row.ThisText), Cell(row.OtherText)});
        m_items.push_back(name);
        if (selected != nullptr && row.Group == selected->Group && row.Label == selected->Label)
            select = static_cast<int>(k);
    }
    m_tree->expandAll();
    if (select < 0 && was >= 0 && !m_items.empty())
        select = std::min(was, static_cast<int>(m_items.size()) - 1);
    if (select >= 0) m_tree->setCurrentIndex(m_items[static_cast<std::size_t>(select)]->index());
    UpdateTakeButton();
}

void TfmCompare::UpdateTitle() {
    const std::string other = m_other.Slot >= 0 ? SlotName(m_main, m_other.Slot) : m_other.Name;
    setWindowTitle(
        FromLatin1("Compare " + SlotName(m_main, m_main.CurrentPatch()) + " with " + other));
}

int TfmCompare::RowOf(const QModelIndex& index) const {
    if (!index.isValid() || !index.parent().isValid()) return -1;
    const QVariant k = m_model->index(index.row(), 0, index.parent()).data(kRowRole);
    return k.isValid() ? k.toInt() : -1;
}

int TfmCompare::SelectedRow() const {
    return RowOf(m_tree->currentIndex());
}

void TfmCompare::UpdateTakeButton() {
    const int k = SelectedRow();
    // The view may still hold the rows of the last comparison while it empties.
    m_take->setEnabled(k >= 0 && k < static_cast<int>(m_rows.size()) &&
                       m_rows[static_cast<std::size_t>(k)].Parameter != nullptr);
}

void TfmCompare::Take(int k) {
    if (k < 0 || k >= static_cast<int>(m_rows.size())) return;
    const td7::TCompareRow row = m_rows[static_cast<std::size_t>(k)];
    // A transfer waits in the event loop: an edit now would go out among its records.
    if (row.Parameter == nullptr || !OnTake || m_main.Transfers().Busy()) return;
    m_errors.RunCommand(
        [&] {
            OnTake(td7::StepLabel(*row.Parameter), {{row.Parameter, row.Record, row.OtherValue}});
        },
        this);
    Refresh();
}

}  // namespace editor
