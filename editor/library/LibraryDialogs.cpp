// The Library window's small dialogs: a kit's versions, and tags offered as one types.
#include "editor/library/LibraryWindow.h"

#include <QCompleter>
#include <QDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

#include "editor/library/LibraryModel.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/shell/Help.h"
#include "editor/common/MessageBoxes.h"
#include "library/Items.h"

namespace editor {

namespace {

// How the compare window's title names a version.
std::string VersionName(const library::TVersion& version) {
    return "library kit \"" + version.Item.Name + "\" of " + version.Seen;
}

}  // namespace

std::vector<library::TVersion> TfmLibrary::SelectedVersions() {
    const auto ids = SelectedIds();
    if (ids.empty()) return {};
    const auto item = m_lib.Item(ids.front());
    if (!item || item->Kind != library::TKind::Kit) return {};
    library::TVersion self{*item, {}, false, 0};
    for (const auto& source : m_lib.Sources(item->Id)) self.Seen = std::max(self.Seen, source.Seen);
    std::vector<library::TVersion> versions{self};
    for (auto& version : m_lib.Versions(item->Id)) versions.push_back(std::move(version));
    return versions;
}

bool TfmLibrary::IsCurrentPatch(const library::Bytes& kit) {
    const library::Bytes current = m_target.CurrentKit ? m_target.CurrentKit() : library::Bytes{};
    return current.size() == library::KindBytes(library::TKind::Kit) &&
           library::Normalise(library::TKind::Kit, current) == kit;
}

bool TfmLibrary::CompareVersions(const library::TVersion& first, const library::TVersion& second) {
    if (!m_target.Compare || !m_target.Put || (m_target.Busy && m_target.Busy())) return false;
    const library::Bytes one = m_lib.ItemBytes(first.Item.Id);
    const library::Bytes other = m_lib.ItemBytes(second.Item.Id);
    // The compare window takes values into the current patch: the version that is it
    // stays there, whichever was chosen first.
    if (IsCurrentPatch(one)) {
        m_target.Compare(other, VersionName(second));
        return true;
    }
    if (IsCurrentPatch(other)) {
        m_target.Compare(one, VersionName(first));
        return true;
    }
    const int p = m_target.CurrentPatch ? m_target.CurrentPatch() : 0;
    if (!m_errors.Boxes().Confirm(
            QStringLiteral("Load the kit of %1 into slot %2 to compare it with the kit of %3? "
                           "What the slot holds now is replaced (Edit > Undo takes it back).")
                .arg(QString::fromStdString(first.Seen))
                .arg(p + 1)
                .arg(QString::fromStdString(second.Seen)),
            this))
        return false;
    m_target.Put(library::TKind::Kit, one, p);
    m_target.Compare(other, VersionName(second));
    return true;
}

void TfmLibrary::ShowVersions() {
    const auto ids = SelectedIds();
    if (ids.empty()) return;
    const auto kit = m_lib.Item(ids.front());
    if (!kit || kit->Kind != library::TKind::Kit)
        throw library::LibraryError("Only a kit has versions");
    const auto versions = SelectedVersions();
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Versions of %1").arg(QString::fromStdString(kit->Name)));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("lbVersions"));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (std::size_t k = 0; k < versions.size(); ++k) {
        const auto& version = versions[k];
        const QString seen = QString::fromStdString(version.Seen);
        QString line = k == 0 ? QStringLiteral("%1  this kit").arg(seen)
                       : version.SameSlot
                           ? QStringLiteral("%1  seen in slot %2").arg(seen).arg(version.Slot)
                           : QStringLiteral("%1  another kit of this name (%2 sources)")
                                 .arg(seen)
                                 .arg(version.Item.Sources);
        if (IsCurrentPatch(m_lib.ItemBytes(version.Item.Id)))
            line += QStringLiteral("  (the current patch)");
        list->addItem(line);
    }
    if (versions.size() < 2) {
        list->addItem(QStringLiteral("No other versions of this kit"));
        list->item(list->count() - 1)->setFlags(Qt::NoItemFlags);
    }
    // The chosen lines, in the list's order.
    const auto chosen = [list, &versions] {
        std::vector<std::size_t> rows;
        for (int row = 0; row < static_cast<int>(versions.size()); ++row)
            if (list->item(row)->isSelected()) rows.push_back(static_cast<std::size_t>(row));
        return rows;
    };
    auto* compare = new QPushButton(QStringLiteral("Compare with Current Patch"), &dialog);
    compare->setObjectName(QStringLiteral("btCompareCurrent"));
    connect(compare, &QPushButton::clicked, &dialog, [&] {
        Run([&] {
            const auto rows = chosen();
            if (rows.size() != 1) return;
            const auto& version = versions[rows.front()];
            m_target.Compare(m_lib.ItemBytes(version.Item.Id), VersionName(version));
            // Versions waits for its answer: open, it would keep the compare window from
            // being used.
            dialog.accept();
        });
    });
    auto* two = new QPushButton(QStringLiteral("Compare the Two"), &dialog);
    two->setObjectName(QStringLiteral("btCompareTwo"));
    two->setToolTip(QStringLiteral(
        "Values are taken into the one that is the current patch; when neither is, the upper "
        "one is loaded into the current slot first"));
    connect(two, &QPushButton::clicked, &dialog, [&] {
        Run([&] {
            const auto rows = chosen();
            if (rows.size() == 2 && CompareVersions(versions[rows[0]], versions[rows[1]]))
                dialog.accept();
        });
    });
    const auto enable = [&] {
        const auto count = chosen().size();
        compare->setEnabled(count == 1 && static_cast<bool>(m_target.Compare));
        two->setEnabled(count == 2 && static_cast<bool>(m_target.Compare));
    };
    connect(list, &QListWidget::itemSelectionChanged, &dialog, enable);
    auto* close = new QPushButton(QStringLiteral("Close"), &dialog);
    connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(
        QStringLiteral("Choose one to compare with the current patch, or two (Ctrl+click) to "
                       "compare with each other:"),
        &dialog));
    layout->addWidget(list);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(compare);
    buttons->addWidget(two);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    // F1 here explains versions: the window's own help cannot be reached while this is open.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), &dialog);
    connect(help, &QShortcut::activated, &dialog, [this, &dialog] {
        auto* window = dialog.findChild<THelpWindow*>();
        if (window == nullptr) window = new THelpWindow(m_helpDir, &dialog);
        window->ShowAnchor(QStringLiteral("versions"));
    });
    // The newest other version, ready to compare with the current patch.
    list->setCurrentRow(versions.size() > 1 ? 1 : 0);
    enable();
    dialog.resize(560, 320);
    dialog.exec();
}

std::string TfmLibrary::AskTags(const std::string& tags, bool& ok, const QString& label) {
    QInputDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Tags"));
    dialog.setLabelText(label);
    dialog.setTextValue(QString::fromStdString(tags));
    // The library's tags offered as one types, for the word under the cursor.
    QStringList known;
    for (const auto& tag : m_lib.TagsStartingWith({}, 1000)) known << QString::fromStdString(tag);
    if (auto* field = dialog.findChild<QLineEdit*>()) {
        auto* completer = new QCompleter(known, field);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        field->setCompleter(completer);
    }
    ok = dialog.exec() == QDialog::Accepted;
    return dialog.textValue().toStdString();
}

}  // namespace editor
