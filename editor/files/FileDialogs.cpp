#include "editor/files/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeView>

namespace editor {

QString QtFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0) return filter;
    return filter.left(bar) + QStringLiteral(" (") + filter.mid(bar + 1) + QLatin1Char(')');
}

void FitFileColumns(QFileDialog& dialog) {
    // The toolkit's own dialog names its detail view; a native one has none to fit.
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr) return;
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

QString FileDialogs::Run(TFileDialog& dialog, const QString& directory, QWidget* owner) {
    // A dialog opens where its last file was, else where it was told to start.
    QString start = directory;
    if (!dialog.FileName.isEmpty()) {
        const QFileInfo last(dialog.FileName);
        if (last.isAbsolute() && last.dir().exists()) start = last.absolutePath();
    }
    QString chosen;
    if (m_headless) {
        m_shown.push_back({dialog.Mode, dialog.Title, dialog.Filter, dialog.DefaultSuffix,
                           dialog.FileName, start});
        if (!m_choices.empty()) {
            chosen = m_choices.front().value_or(QString());
            m_choices.pop_front();
        }
        // As the dialog does with a name typed without an extension.
        if (!chosen.isEmpty() && !dialog.DefaultSuffix.isEmpty() &&
            QFileInfo(chosen).suffix().isEmpty())
            chosen += QLatin1Char('.') + dialog.DefaultSuffix;
    } else {
        chosen = Show(dialog, start, owner);
    }
    if (!chosen.isEmpty()) dialog.FileName = chosen;
    return chosen;
}

QString FileDialogs::Show(const TFileDialog& dialog, const QString& directory, QWidget* owner) {
    QFileDialog box(owner, dialog.Title, directory, QtFilter(dialog.Filter));
    box.setDefaultSuffix(dialog.DefaultSuffix);
    if (dialog.Mode == TFileDialogMode::Open) {
        box.setAcceptMode(QFileDialog::AcceptOpen);
        box.setFileMode(QFileDialog::ExistingFile);
    } else {
        box.setAcceptMode(QFileDialog::AcceptSave);
        box.setFileMode(QFileDialog::AnyFile);
    }
    if (!dialog.FileName.isEmpty()) box.selectFile(QFileInfo(dialog.FileName).fileName());
    FitFileColumns(box);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return {};
    return box.selectedFiles().first();
}

}  // namespace editor
