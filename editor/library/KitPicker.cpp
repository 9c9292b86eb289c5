#include "editor/library/KitPicker.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/common/ErrorDisplay.h"

namespace editor {

TfmKitPicker::TfmKitPicker(library::TLibrary& lib, ErrorDisplay& errors, QWidget* parent)
    : QDialog(parent),
      m_lib(lib),
      m_errors(errors),
      m_search(new QLineEdit(this)),
      m_kits(new QListWidget(this)) {
    setObjectName(QStringLiteral("fmKitPicker"));
    setWindowTitle(QStringLiteral("Library Kit"));
    resize(340, 400);
    m_search->setObjectName(QStringLiteral("edSearch"));
    m_search->setPlaceholderText(QStringLiteral("Search names, tags, notes and sources"));
    m_search->setClearButtonEnabled(true);
    m_kits->setObjectName(QStringLiteral("lbKits"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(QStringLiteral("Compare"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(m_kits, 1);
    layout->addWidget(buttons);

    connect(m_search, &QLineEdit::textChanged, this, [this] { Search(); });
    connect(m_kits, &QListWidget::currentRowChanged, this,
            [this](int row) { m_ok->setEnabled(row >= 0); });
    connect(m_kits, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::optional<library::TItem> TfmKitPicker::Pick() {
    Search();
    m_search->setFocus();
    if (exec() != QDialog::Accepted) return std::nullopt;
    const int row = m_kits->currentRow();
    if (row < 0 || row >= static_cast<int>(m_found.size())) return std::nullopt;
    return m_found[static_cast<std::size_t>(row)];
}

void TfmKitPicker::Search() {
    m_kits->clear();
    m_found.clear();
    m_errors.RunCommand(
        [this] {
            m_found =
                m_lib.Find({.Search = m_search->text().toStdString(), .Kind = library::TKind::Kit},
                           kShownKits);
        },
        this);
    for (const library::TItem& kit : m_found)
        m_kits->addItem(QString::fromStdString(
            kit.Tags.empty() ? kit.Name : kit.Name + "  (" + kit.Tags + ")"));
    if (!m_found.empty()) m_kits->setCurrentRow(0);
    m_ok->setEnabled(!m_found.empty());
}

}  // namespace editor
