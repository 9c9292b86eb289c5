#include "editor/library/LibraryModel.h"

#include <QMimeData>

#include <algorithm>
#include <set>

namespace editor {

TLibraryModel::TLibraryModel(library::TLibrary& lib, QObject* parent)
    : QAbstractTableModel(parent), m_lib(lib) {}

void TLibraryModel::SetFilter(const library::TFilter& filter) {
    // Found before the reset: a search the library refuses leaves the rows as they were.
    const int total = m_lib.Count(filter);
    auto rows = m_lib.Find(filter, kPage, 0);
    beginResetModel();
    m_filter = filter;
    m_total = total;
    m_rows = std::move(rows);
    endResetModel();
}

const library::TItem* TLibraryModel::ItemAt(int row) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return nullptr;
    return &m_rows[static_cast<std::size_t>(row)];
}

int TLibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TLibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TLibraryModel::data(const QModelIndex& index, int role) const {
    const library::TItem* item = ItemAt(index.row());
    if (item == nullptr) return {};
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case ColName: {
                QString name = QString::fromStdString(item->Name);
                if (item->Kind != library::TKind::Kit)
                    name += QStringLiteral(" (%1)").arg(
                        QString::fromLatin1(library::KindName(item->Kind).data()));
                return name;
            }
            case ColFavourite:
                return item->Favourite ? QStringLiteral("\u2605") : QString();
            case ColTags:
                return QString::fromStdString(item->Tags);
            case ColFirstSeen:
                return QString::fromStdString(item->FirstSeen);
            case ColSources:
                return item->Sources;
        }
    }
    if (role == Qt::TextAlignmentRole &&
        (index.column() == ColSources || index.column() == ColFavourite))
        return int(Qt::AlignCenter);
    return {};
}

QVariant TLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case ColName:
            return QStringLiteral("Name");
        case ColFavourite:
            return QStringLiteral("Favourite");
        case ColTags:
            return QStringLiteral("Tags");
        case ColFirstSeen:
            return QStringLiteral("First seen");
        case ColSources:
            return QStringLiteral("Sources");
    }
    return {};
}

Qt::ItemFlags TLibraryModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) |
           (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

bool TLibraryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && static_cast<int>(m_rows.size()) < m_total;
}

void TLibraryModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    const int first = static_cast<int>(m_rows.size());
    auto page = m_lib.Find(m_filter, kPage, first);
    if (page.empty()) {
        // Another program deleted items meanwhile: the count was too high.
        m_total = first;
        return;
    }
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(page.begin()),
                  std::make_move_iterator(page.end()));
    endInsertRows();
}

QStringList TLibraryModel::mimeTypes() const {
    return {QString::fromLatin1(kLibraryItemsMime)};
}

QMimeData* TLibraryModel::mimeData(const QModelIndexList& indexes) const {
    std::set<int> rows;
    for (const auto& index : indexes) rows.insert(index.row());
    QStringList ids;
    for (int row : rows)
        if (const auto* item = ItemAt(row)) ids << QString::number(item->Id);
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kLibraryItemsMime), ids.join(QLatin1Char(' ')).toLatin1());
    return mime;
}

std::vector<library::ItemId> TLibraryModel::IdsOf(const QMimeData* mime) {
    std::vector<library::ItemId> ids;
    if (mime == nullptr || !mime->hasFormat(QString::fromLatin1(kLibraryItemsMime))) return ids;
    const auto parts = QString::fromLatin1(mime->data(QString::fromLatin1(kLibraryItemsMime)))
                           .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const auto& part : parts) ids.push_back(part.toLongLong());
    return ids;
}

}  // namespace editor
