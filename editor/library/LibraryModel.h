#pragma once

// The library's items as a table for the library window. Rows come from the database a
// page at a time as the view scrolls (canFetchMore/fetchMore), and the filter is part of
// the query, so a library of 100,000 kits opens as fast as one of ten.

#include <QAbstractTableModel>

#include <vector>

#include "library/Library.h"

namespace editor {

inline constexpr const char* kLibraryItemsMime = "application/x-tamboro-library-items";

class TLibraryModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ColName, ColFavourite, ColTags, ColFirstSeen, ColSources, ColumnCount };
    static constexpr int kPage = 200;

    TLibraryModel(library::TLibrary& lib, QObject* parent = nullptr);

    // Runs the query again from its first page.
    void SetFilter(const library::TFilter& filter);
    void Refresh() { SetFilter(m_filter); }
    const library::TFilter& Filter() const { return m_filter; }
    // Items the filter selects, loaded or not.
    int Total() const { return m_total; }
    const library::TItem* ItemAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    // The item IDs a drag carries.
    static std::vector<library::ItemId> IdsOf(const QMimeData* mime);

  private:
    library::TLibrary& m_lib;
    library::TFilter m_filter;
    std::vector<library::TItem> m_rows;
    int m_total = 0;
};

}  // namespace editor
