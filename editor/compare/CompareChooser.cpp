#include "editor/compare/CompareChooser.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/common/ErrorDisplay.h"
#include "editor/shell/MainWindow.h"
#include "editor/patch/PatchTexts.h"
#include "td7/map/Td7Collections.h"

namespace editor {

namespace {

constexpr int kSlotRole = Qt::UserRole + 1;

}  // namespace

TfmCompareWith::TfmCompareWith(TfmTamboro& main, ErrorDisplay& errors, QWidget* parent)
    : QDialog(parent),
      m_main(main),
      m_errors(errors),
      m_slots(new QListWidget(this)),
      m_compare(new QPushButton(QStringLiteral("Compare"), this)),
      m_file(new QPushButton(QStringLiteral("Patch File..."), this)),
      m_kit(new QPushButton(QStringLiteral("Library Kit..."), this)) {
    setObjectName(QStringLiteral("fmCompareWith"));
    setWindowTitle(QStringLiteral("Compare With"));
    resize(300, 420);
    m_slots->setObjectName(QStringLiteral("lbSlots"));
    m_compare->setObjectName(QStringLiteral("btnCompare"));
    m_compare->setDefault(true);
    m_file->setObjectName(QStringLiteral("btnFile"));
    m_kit->setObjectName(QStringLiteral("btnKit"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));

    auto* label = new QLabel(QStringLiteral("Compare the current patch with:"), this);
    label->setBuddy(m_slots);
    auto* others = new QHBoxLayout;
    others->addWidget(m_file);
    others->addWidget(m_kit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_compare);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_slots, 1);
    layout->addLayout(others);
    layout->addLayout(buttons);

    connect(m_slots, &QListWidget::currentRowChanged, this,
            [this] { m_compare->setEnabled(m_slots->currentItem() != nullptr); });
    connect(m_slots, &QListWidget::itemDoubleClicked, this, [this] { TakeSlot(); });
    connect(m_compare, &QPushButton::clicked, this, [this] { TakeSlot(); });
    connect(m_file, &QPushButton::clicked, this, [this] { TakeFrom(ChooseFile); });
    connect(m_kit, &QPushButton::clicked, this, [this] { TakeFrom(ChooseKit); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<TCompareOther> TfmCompareWith::Choose() {
    m_choice.reset();
    FillSlots();
    m_file->setEnabled(static_cast<bool>(ChooseFile));
    m_kit->setEnabled(static_cast<bool>(ChooseKit));
    m_slots->setFocus();
    exec();
    return std::move(m_choice);
}

void TfmCompareWith::FillSlots() {
    m_slots->clear();
    const int current = m_main.CurrentPatch();
    td7::TTd7Collections& dumps = m_main.Dumps();
    for (int p = 0; p < td7::kPatchCount; ++p) {
        if (p == current) continue;
        const bool present = m_main.Present().PatchPresent(p);
        const TPatchLine line = PatchLineText(p, present, dumps.ProgDump.Records(p));
        auto* item = new QListWidgetItem(QString::fromLatin1(line.Text.c_str()), m_slots);
        item->setData(kSlotRole, p);
        // An empty slot holds nothing to compare with.
        if (!present) item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
    }
    m_slots->setCurrentItem(nullptr);
    for (int k = 0; k < m_slots->count(); ++k)
        if (m_slots->item(k)->flags() & Qt::ItemIsEnabled) {
            m_slots->setCurrentRow(k);
            break;
        }
    m_compare->setEnabled(m_slots->currentItem() != nullptr);
}

void TfmCompareWith::TakeSlot() {
    const QListWidgetItem* item = m_slots->currentItem();
    if (item == nullptr || !(item->flags() & Qt::ItemIsEnabled)) return;
    m_choice = TCompareOther{.Slot = item->data(kSlotRole).toInt(), .Image = {}, .Name = {}};
    accept();
}

void TfmCompareWith::TakeFrom(const std::function<std::optional<TCompareOther>()>& choose) {
    if (!choose) return;
    std::optional<TCompareOther> chosen;
    if (!m_errors.RunCommand([&] { chosen = choose(); }, this) || !chosen) return;
    m_choice = std::move(chosen);
    accept();
}

}  // namespace editor
