// The Library window's small dialogs: a kit's versions, and tags offered as one types.
#include "editor/library/LibraryWindow.h"

#include <QCompleter>
#include <QDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/library/LibraryModel.h"
#include "editor/shell/ErrorDisplay.h"
#include "editor/shell/MessageBoxes.h"

namespace editor {

std::vector<library::TVersion> TfmLibrary::SelectedVersions() {
    const auto ids = SelectedIds();
    if (ids.empty()) return {};
    const auto item = m_lib.Item(ids.front());
    if (!item || item->Kind != library::TKind::Kit) return {};
    return m_lib.Versions(item->Id);
}

void TfmLibrary::ShowVersions() {
    const auto ids = SelectedIds();
    if (ids.empty()) return;
    const auto kit = m_lib.Item(ids.front());
    if (!kit || kit->Kind != library::TKind::Kit)
        throw library::LibraryError("Only a kit has versions");
    const auto versions = m_lib.Versions(kit->Id);
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Versions of %1").arg(QString::fromStdString(kit->Name)));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("lbVersions"));
    for (const auto& version : versions)
        list->addItem(version.SameSlot
                          ? QStringLiteral("%1  seen in slot %2").arg(QString::fromStdString(version.Seen)).arg(version.Slot)
                          : QStringLiteral("%1  another kit of this name (%2 sources)")
                                .arg(QString::fromStdString(version.Seen))
                                .arg(version.Item.Sources));
    if (versions.empty()) list->addItem(QStringLiteral("No other versions of this kit"));
    auto* compare = new QPushButton(QStringLiteral("Compare with Current Patch"), &dialog);
    compare->setEnabled(!versions.empty() && static_cast<bool>(m_target.Compare));
    connect(compare, &QPushButton::clicked, &dialog, [&] {
        Run([&] {
            const int row = list->currentRow();
            if (row < 0 || row >= static_cast<int>(versions.size())) return;
            const auto& version = versions[static_cast<std::size_t>(row)];
            m_target.Compare(m_lib.ItemBytes(version.Item.Id),
                             "library kit \"" + version.Item.Name + "\" of " + version.Seen);
        });
    });
    // One version into the current slot, to compare it with another.
    auto* put = new QPushButton(QStringLiteral("Put into Slot"), &dialog);
    put->setEnabled(!versions.empty() && static_cast<bool>(m_target.Put));
    connect(put, &QPushButton::clicked, &dialog, [&] {
        Run([&] {
            const int row = list->currentRow();
            if (row < 0 || row >= static_cast<int>(versions.size())) return;
            if (m_target.Busy && m_target.Busy()) return;
            m_target.Put(library::TKind::Kit,
                         m_lib.ItemBytes(versions[static_cast<std::size_t>(row)].Item.Id),
                         m_target.CurrentPatch ? m_target.CurrentPatch() : 0);
        });
    });
    auto* close = new QPushButton(QStringLiteral("Close"), &dialog);
    connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(compare);
    buttons->addWidget(put);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    list->setCurrentRow(0);
    dialog.exec();
}

std::string TfmLibrary::AskTags(const std::string& tags, bool& ok) {
    QInputDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Tags"));
    dialog.setLabelText(QStringLiteral("Tags:"));
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
