#include "editor/library/LibraryWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QDialog>
#include <QMenu>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "editor/common/ScrollingBody.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/shell/Help.h"
#include "editor/library/LibraryModel.h"
#include "editor/library/SearchTagCompleter.h"
#include "editor/common/MessageBoxes.h"
#include "td7/files/FileIo.h"
#include "td7/files/SetupFile.h"

namespace editor {

namespace {

// Imports of more files than this show a progress window with Cancel.
constexpr int kQuietImportFiles = 5;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QPushButton* Button(const QString& text, QWidget* parent, const std::function<void()>& click) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, parent, click);
    return button;
}

// A copy of the whole library takes a moment with a large one.
void WithWaitCursor(const std::function<void()>& work) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        work();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
}

}  // namespace

TfmLibrary::TfmLibrary(library::TLibrary& lib, TLibraryTarget target, ErrorDisplay& errors,
                       QString helpDir, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_lib(lib),
      m_edits(lib),
      m_target(std::move(target)),
      m_errors(errors),
      m_helpDir(std::move(helpDir)),
      m_model(new TLibraryModel(lib, this)),
      m_search(new QLineEdit(this)),
      m_searchTags(nullptr),
      m_favourites(new QCheckBox(QStringLiteral("Favourites only"), this)),
      m_deleted(new QCheckBox(QStringLiteral("Deleted"), this)),
      m_undo(nullptr),
      m_redo(nullptr),
      m_kind(new QComboBox(this)),
      m_table(new QTableView(this)),
      m_detail(new QLabel(this)),
      m_lists(new QListWidget(this)),
      m_listKits(new QListWidget(this)),
      m_searchDelay(new QTimer(this)),
      m_follow(new QTimer(this)) {
    setObjectName(QStringLiteral("fmLibrary"));
    setWindowTitle(QStringLiteral("Library"));
    setProperty("HelpContext", kHelpLibraryWindow);
    setAcceptDrops(true);
    resize(1100, 560);

    m_search->setObjectName(QStringLiteral("edSearch"));
    m_search->setPlaceholderText(QStringLiteral("Search names, tags, notes and sources"));
    m_search->setClearButtonEnabled(true);
    m_searchTags = new TSearchTagCompleter(*m_search, [this](const QString& prefix) {
        QStringList tags;
        Run([&] {
            for (const auto& tag : m_lib.TagsStartingWith(prefix.toStdString(), 20))
                tags << Text(tag);
        });
        return tags;
    });
    m_kind->setObjectName(QStringLiteral("coKind"));
    m_kind->addItems({QStringLiteral("All kinds"), QStringLiteral("Kits"),
                      QStringLiteral("Instruments"), QStringLiteral("System")});
    m_favourites->setObjectName(QStringLiteral("cbFavourites"));
    // Filtering as one types, without a query for every key of a fast typist.
    m_searchDelay->setSingleShot(true);
    m_searchDelay->setInterval(120);
    connect(m_searchDelay, &QTimer::timeout, this, [this] { ApplyFilter(); });
    connect(m_search, &QLineEdit::textChanged, this, [this] { m_searchDelay->start(); });
    // tamboro-cli or a second editor may change the library while the window is open: the
    // window shows what the file holds within a second.
    Run([this] { m_seenVersion = m_lib.DataVersion(); });
    m_follow->setInterval(1000);
    connect(m_follow, &QTimer::timeout, this, [this] {
        if (isVisible()) Run([this] { FollowFile(); });
    });
    m_follow->start();
    connect(m_favourites, &QCheckBox::toggled, this, [this] { ApplyFilter(); });
    m_deleted->setObjectName(QStringLiteral("cbDeleted"));
    m_deleted->setToolTip(QStringLiteral("Show what was deleted, to restore it or remove it for good"));
    connect(m_deleted, &QCheckBox::toggled, this, [this](bool on) { ShowDeleted(on); });
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });

    m_table->setObjectName(QStringLiteral("tvItems"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setDragEnabled(true);
    m_table->setDragDropMode(QAbstractItemView::DragOnly);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->horizontalHeader()->setSectionResizeMode(TLibraryModel::ColName, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(TLibraryModel::ColTags, QHeaderView::Stretch);
    for (int column : {int(TLibraryModel::ColFavourite), int(TLibraryModel::ColFirstSeen),
                       int(TLibraryModel::ColSources)})
        m_table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateDetail(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { UpdateDetail(); });

    m_detail->setObjectName(QStringLiteral("lbDetail"));
    m_detail->setWordWrap(true);
    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_lists->setObjectName(QStringLiteral("lbLists"));
    m_listKits->setObjectName(QStringLiteral("lbListKits"));
    // Kits dragged from the table land on a position; a position dragged onto another
    // swaps the two.
    m_listKits->setDragEnabled(true);
    m_listKits->setAcceptDrops(true);
    m_listKits->viewport()->setAcceptDrops(true);
    m_listKits->setDragDropMode(QAbstractItemView::DragDrop);
    m_listKits->viewport()->installEventFilter(this);
    m_listKits->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listKits, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ListMenu(at); });
    connect(m_lists, &QListWidget::currentRowChanged, this, [this] { ShowListKits(); });

    auto* filters = new QHBoxLayout;
    filters->addWidget(m_search, 1);
    filters->addWidget(m_favourites);
    filters->addWidget(m_kind);
    filters->addWidget(m_deleted);

    auto* actions = new QHBoxLayout;
    auto* put = Button(QStringLiteral("Put into Slot"), this, [this] {
        Run([this] { PutSelected(m_target.CurrentPatch ? m_target.CurrentPatch() : 0); });
    });
    put->setObjectName(QStringLiteral("btPut"));
    actions->addWidget(put);
    actions->addWidget(Button(QStringLiteral("Add Current Patch"), this,
                              [this] { Run([this] { AddCurrentPatch(); }); }));
    actions->addWidget(
        Button(QStringLiteral("Favourite"), this, [this] { Run([this] { ToggleFavourite(); }); }));
    actions->addWidget(Button(QStringLiteral("Tags and Note..."), this,
                              [this] { Run([this] { EditTagsAndNote(); }); }));
    actions->addWidget(
        Button(QStringLiteral("Delete..."), this, [this] { Run([this] { DeleteSelected(); }); }));
    actions->addWidget(
        Button(QStringLiteral("Restore"), this, [this] { Run([this] { RestoreSelected(); }); }));
    actions->addWidget(Button(QStringLiteral("Empty Deleted..."), this,
                              [this] { Run([this] { EmptyDeleted(); }); }));
    actions->addWidget(
        Button(QStringLiteral("Versions..."), this, [this] { Run([this] { ShowVersions(); }); }));
    actions->addWidget(Button(QStringLiteral("Make List..."), this, [this] {
        Run([this] {
            bool ok = false;
            const QString name = QInputDialog::getText(this, QStringLiteral("Make List"),
                                                       QStringLiteral("Name of the list:"),
                                                       QLineEdit::Normal, {}, &ok);
            if (ok && !name.trimmed().isEmpty()) MakeList(name.trimmed().toStdString());
        });
    }));
    actions->addStretch(1);
    // The library's files on a row of their own: with the item actions on one row the
    // window would be wider than a laptop's screen.
    auto* files = new QHBoxLayout;
    files->addWidget(Button(QStringLiteral("Import..."), this, [this] {
        Run([this] {
            const QStringList files = QFileDialog::getOpenFileNames(
                this, QStringLiteral("Import into the Library"), {},
                QStringLiteral("TD-7 files (*.td7 *.syx *.TD7 *.SYX)"));
            std::vector<std::filesystem::path> paths;
            for (const auto& file : files) paths.emplace_back(file.toStdString());
            if (!paths.empty()) Import(paths);
        });
    }));
    files->addWidget(Button(QStringLiteral("Import Folder..."), this, [this] {
        Run([this] {
            const QString folder = QFileDialog::getExistingDirectory(
                this, QStringLiteral("Import a Folder into the Library"));
            if (!folder.isEmpty()) Import({std::filesystem::path(folder.toStdString())});
        });
    }));
    files->addWidget(Button(QStringLiteral("Export..."), this, [this] {
        Run([this] {
            const QString folder = QFileDialog::getExistingDirectory(
                this, QStringLiteral("Export to a Folder as .syx Files"));
            if (folder.isEmpty()) return;
            auto ids = SelectedIds();
            // Nothing selected: everything the search finds.
            if (ids.empty()) ids = m_lib.FindIds(m_model->Filter());
            const auto report = m_lib.ExportItems(ids, folder.toStdString());
            m_errors.Boxes().Information(
                QStringLiteral("%1 files written to %2").arg(report.Written).arg(folder), this);
        });
    }));
    files->addStretch(1);
    files->addWidget(Button(QStringLiteral("Back Up Library..."), this, [this] {
        Run([this] {
            QFileDialog dialog(this, QStringLiteral("Back Up Library"), {},
                               QStringLiteral("Tamboro library (*.sqlite3)"));
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            // A name typed without an extension gets the one Restore Library lists.
            dialog.setDefaultSuffix(QStringLiteral("sqlite3"));
            if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
                BackUp(dialog.selectedFiles().first().toStdString());
        });
    }));
    files->addWidget(Button(QStringLiteral("Restore Library..."), this, [this] {
        Run([this] {
            const QString file = QFileDialog::getOpenFileName(
                this, QStringLiteral("Restore Library"), {},
                QStringLiteral("Tamboro library (*.sqlite3);;All files (*)"));
            if (!file.isEmpty()) RestoreLibrary(file.toStdString());
        });
    }));

    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(Button(QStringLiteral("Load into Slots"), this,
                                  [this] { Run([this] { LoadListIntoSlots(); }); }));
    listButtons->addWidget(Button(QStringLiteral("Save as Setup..."), this, [this] {
        Run([this] {
            if (CurrentList() == 0) return;
            const QString file = QFileDialog::getSaveFileName(
                this, QString::fromLatin1(td7::kSaveSetupTitle), {}, QStringLiteral("TD7 Data (*.td7)"));
            if (!file.isEmpty()) SaveListAs(file.toStdString());
        });
    }));
    listButtons->addWidget(Button(QStringLiteral("Compare with Module"), this,
                                  [this] { Run([this] { CompareListWithModule(); }); }));
    auto* deleteList = Button(QStringLiteral("Delete List"), this, [this] {
        Run([this] {
            const auto list = CurrentList();
            if (list == 0) return;
            // Undoable, and kept in the Deleted view: no question first.
            m_edits.DeleteList(list);
            Edited();
        });
    });
    const auto ask = [this](const QString& title, const QString& start) {
        bool ok = false;
        const QString name = QInputDialog::getText(this, title, QStringLiteral("Name of the list:"),
                                                   QLineEdit::Normal, start, &ok);
        return ok ? name.trimmed().toStdString() : std::string();
    };
    auto* renameList = Button(QStringLiteral("Rename..."), this, [this, ask] {
        Run([this, ask] {
            if (CurrentList() == 0) return;
            const std::string name =
                ask(QStringLiteral("Rename List"), m_lists->currentItem()->text());
            if (!name.empty()) RenameList(name);
        });
    });
    auto* duplicateList = Button(QStringLiteral("Duplicate..."), this, [this, ask] {
        Run([this, ask] {
            if (CurrentList() == 0) return;
            const std::string name = ask(QStringLiteral("Duplicate List"),
                                         m_lists->currentItem()->text() + QStringLiteral(" copy"));
            if (!name.empty()) DuplicateList(name);
        });
    });
    auto* listEdits = new QHBoxLayout;
    listEdits->addWidget(renameList);
    listEdits->addWidget(duplicateList);
    listEdits->addWidget(deleteList);
    auto* listSide = new QWidget(this);
    auto* listLayout = new QVBoxLayout(listSide);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(new QLabel(QStringLiteral("Lists:"), listSide));
    listLayout->addWidget(m_lists, 1);
    listLayout->addWidget(new QLabel(
        QStringLiteral("Positions (drop kits here; right-click for more):"), listSide));
    listLayout->addWidget(m_listKits, 2);
    listLayout->addLayout(listButtons);
    listLayout->addLayout(listEdits);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_table);
    splitter->addWidget(listSide);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);

    QVBoxLayout* layout = ScrollingBody(*this);
    layout->addLayout(filters);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_detail);
    layout->addLayout(actions);
    layout->addLayout(files);

    m_undo = Button(QStringLiteral("Undo"), this, [this] { Run([this] { Undo(); }); });
    m_undo->setObjectName(QStringLiteral("btUndo"));
    m_redo = Button(QStringLiteral("Redo"), this, [this] { Run([this] { Redo(); }); });
    m_redo->setObjectName(QStringLiteral("btRedo"));
    filters->insertWidget(0, m_undo);
    filters->insertWidget(1, m_redo);
    auto* undo = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Z")), this);
    connect(undo, &QShortcut::activated, this, [this] { Run([this] { Undo(); }); });
    // The keys of the main window's Edit > Redo.
    for (const char* keys : {"Ctrl+Shift+Z", "Ctrl+Y"}) {
        auto* redo = new QShortcut(QKeySequence(QString::fromLatin1(keys)), this);
        connect(redo, &QShortcut::activated, this, [this] { Run([this] { Redo(); }); });
    }

    auto* favourite = new QShortcut(QKeySequence(QStringLiteral("Ctrl+D")), this);
    connect(favourite, &QShortcut::activated, this, [this] { Run([this] { ToggleFavourite(); }); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (!m_help) m_help = std::make_unique<THelpWindow>(m_helpDir, this);
        m_help->ShowContext(kHelpLibraryWindow);
    });

    Run([this] {
        ApplyFilter();
        RefreshLists();
    });
    Edited();
}

TfmLibrary::~TfmLibrary() = default;

void TfmLibrary::Run(const std::function<void()>& command) {
    m_errors.RunCommand(command, this);
}

void TfmLibrary::ApplyFilter() {
    library::TFilter filter;
    filter.Search = m_search->text().toStdString();
    filter.FavouritesOnly = m_favourites->isChecked();
    filter.Deleted = m_deleted->isChecked();
    switch (m_kind->currentIndex()) {
        case 1:
            filter.Kind = library::TKind::Kit;
            break;
        case 2:
            filter.Kind = library::TKind::Instruments;
            break;
        case 3:
            filter.Kind = library::TKind::System;
            break;
        default:
            break;
    }
    // A search the library cannot read (being typed, say) is told below the table, not in a
    // box at every key; the table keeps what it showed.
    m_searchProblem.clear();
    Run([&] {
        try {
            m_model->SetFilter(filter);
        } catch (const library::LibraryError& error) {
            m_searchProblem = Text(error.what());
        }
    });
    UpdateDetail();
}

std::vector<library::ItemId> TfmLibrary::SelectedIds() const {
    std::vector<library::ItemId> ids;
    for (const auto& index : m_table->selectionModel()->selectedRows())
        if (const auto* item = m_model->ItemAt(index.row())) ids.push_back(item->Id);
    return ids;
}

void TfmLibrary::UpdateDetail() {
    if (!m_searchProblem.isEmpty()) {
        m_detail->setText(m_searchProblem);
        return;
    }
    const auto ids = SelectedIds();
    if (ids.empty()) {
        m_detail->setText(
            QStringLiteral("%1 of %2 items").arg(m_model->Total()).arg(m_lib.Count({})));
        return;
    }
    Run([&] {
        const auto item = m_lib.Item(ids.front());
        if (!item) return;
        const auto sources = m_lib.Sources(item->Id);
        QString text =
            QStringLiteral("%1 \u2013 %2, first seen %3")
                .arg(Text(item->Name), QString::fromLatin1(library::KindName(item->Kind).data()),
                     Text(item->FirstSeen));
        if (!sources.empty()) {
            const auto& last = sources.back();
            text += QStringLiteral("; from %1").arg(Text(last.Origin));
            if (last.Slot > 0) text += QStringLiteral(", patch %1").arg(last.Slot);
            if (sources.size() > 1) text += QStringLiteral(" and %1 more").arg(sources.size() - 1);
        }
        if (!item->Note.empty()) text += QStringLiteral("\nNote: ") + Text(item->Note);
        m_detail->setText(text);
    });
}

void TfmLibrary::PutSelected(int p) {
    if (m_target.Busy && m_target.Busy()) return;
    const auto ids = SelectedIds();
    if (ids.empty()) return;
    const auto item = m_lib.Item(ids.front());
    if (!item || !m_target.Put) return;
    m_target.Put(item->Kind, m_lib.ItemBytes(item->Id), p);
}

void TfmLibrary::AddCurrentPatch() {
    if (!m_target.CurrentKit) return;
    const library::Bytes kit = m_target.CurrentKit();
    if (kit.empty()) throw library::LibraryError("The current patch is empty");
    m_lib.Add(library::TKind::Kit, kit,
              "Tamboro, patch " + std::to_string(m_target.CurrentPatch() + 1), 0);
    m_model->Refresh();
}

void TfmLibrary::ToggleFavourite() {
    const auto ids = SelectedIds();
    if (ids.empty()) return;
    const auto first = m_lib.Item(ids.front());
    const bool favourite = first && !first->Favourite;
    m_edits.SetFavourite(ids, favourite);
    RefreshKeepingSelection();
    Edited();
}

void TfmLibrary::EditTagsAndNote() {
    const auto ids = SelectedIds();
    std::vector<library::TItem> items;
    for (library::ItemId id : ids)
        if (auto item = m_lib.Item(id)) items.push_back(std::move(*item));
    if (items.empty()) return;
    bool ok = false;
    if (items.size() == 1) {
        const std::string tags = AskTags(items.front().Tags, ok);
        if (!ok) return;
        const QString note = QInputDialog::getMultiLineText(
            this, QStringLiteral("Note"), QStringLiteral("Note:"), Text(items.front().Note), &ok);
        if (ok) SetTagsAndNote(tags, note.toStdString());
        return;
    }
    // Several kits: the field holds the tags they all have; what is added goes to each, what
    // is taken away goes from each, and each keeps its other tags. Their note changes only
    // when it is edited.
    std::vector<std::string> common;
    for (const auto& tag : library::SplitTags(items.front().Tags)) {
        const std::string one[] = {tag};
        if (std::all_of(items.begin(), items.end(), [&](const library::TItem& item) {
                return library::WithoutTags(item.Tags, one) != library::WithTags(item.Tags, {});
            }))
            common.push_back(tag);
    }
    const std::string shared = library::WithTags({}, common);
    const std::string tags = AskTags(
        shared, ok,
        QStringLiteral("Tags that all %1 kits have (added or removed on each):").arg(items.size()));
    if (!ok) return;
    const bool sameNote = std::all_of(items.begin(), items.end(), [&](const library::TItem& item) {
        return item.Note == items.front().Note;
    });
    const QString shown = sameNote ? Text(items.front().Note) : QString();
    const QString note = QInputDialog::getMultiLineText(
        this, QStringLiteral("Note"),
        sameNote ? QStringLiteral("Note of all %1 kits:").arg(items.size())
                 : QStringLiteral("The %1 kits have different notes; a note written here "
                                  "replaces them all:")
                       .arg(items.size()),
        shown, &ok);
    if (!ok) return;
    const std::vector<std::string> added = library::SplitTags(tags);
    const std::vector<std::string> removed =
        library::SplitTags(library::WithoutTags(shared, added));
    std::optional<std::string> newNote;
    if (note != shown) newNote = note.toStdString();
    std::vector<library::ItemId> kits;
    for (const auto& item : items) kits.push_back(item.Id);
    m_edits.ChangeTags(kits, added, removed, newNote);
    RefreshKeepingSelection();
    Edited();
}

void TfmLibrary::SetTagsAndNote(const std::string& tags, const std::string& note) {
    const auto ids = SelectedIds();
    if (ids.empty()) return;
    m_edits.SetTagsAndNote(ids, tags, note);
    RefreshKeepingSelection();
    Edited();
}

void TfmLibrary::RefreshKeepingSelection() {
    const auto ids = SelectedIds();
    m_model->Refresh();
    // The rows already loaded are searched; an item further down stays unselected.
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (std::find(ids.begin(), ids.end(), m_model->ItemAt(row)->Id) != ids.end())
            m_table->selectionModel()->select(
                m_model->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TfmLibrary::DeleteSelected() {
    const auto ids = SelectedIds();
    if (ids.empty()) return;
    QString question =
        ids.size() == 1
            ? QStringLiteral("Delete \"%1\"? It waits in the Deleted view until that is "
                             "emptied. No file is touched.")
                  .arg(Text(m_lib.Item(ids.front()) ? m_lib.Item(ids.front())->Name : ""))
            : QStringLiteral("Delete %1 items? They wait in the Deleted view until that is "
                             "emptied. No file is touched.")
                  .arg(ids.size());
    // A list is a bank: its other kits keep their slots, so the user hears which banks get a gap.
    const auto lists = m_lib.ListsHolding(ids);
    if (!lists.empty()) {
        QStringList names;
        for (const auto& name : lists) names << QStringLiteral("\"%1\"").arg(Text(name));
        question += QStringLiteral("\n\nIn the %1 %2 the place of a deleted kit stays empty; the "
                                   "other kits keep their slots.")
                        .arg(lists.size() == 1 ? QStringLiteral("list") : QStringLiteral("lists"),
                             names.join(QStringLiteral(", ")));
    }
    if (!m_errors.Boxes().Confirm(question, this)) return;
    m_edits.Delete(ids);
    Edited();
}

void TfmLibrary::MakeList(const std::string& name) {
    std::vector<library::ItemId> kits;
    for (auto id : SelectedIds()) {
        const auto item = m_lib.Item(id);
        if (item && item->Kind == library::TKind::Kit) kits.push_back(id);
    }
    m_edits.CreateList(name, kits);
    Edited();
    for (int row = 0; row < m_lists->count(); ++row)
        if (m_lists->item(row)->text() == Text(name)) m_lists->setCurrentRow(row);
}

library::ItemId TfmLibrary::CurrentList() const {
    const auto* item = m_lists->currentItem();
    return item ? item->data(kLibraryIdRole).toLongLong() : 0;
}

bool TfmLibrary::FollowFile() {
    const std::int64_t version = m_lib.DataVersion();
    if (version == m_seenVersion) return false;
    m_seenVersion = version;
    RefreshKeepingSelection();
    RefreshLists();
    return true;
}

void TfmLibrary::RequireShown() {
    // An action on what the window shows, when the file changed since: it acts on nothing.
    if (FollowFile())
        throw library::LibraryError(
            "Another program changed the library meanwhile: the window now shows it as it is. "
            "Look again, then do it again.");
}

void TfmLibrary::RefreshLists() {
    const auto chosen = CurrentList();
    m_lists->clear();
    for (const auto& list : m_lib.Lists(m_deleted->isChecked())) {
        auto* item = new QListWidgetItem(Text(list.Name), m_lists);
        item->setData(kLibraryIdRole, static_cast<qlonglong>(list.Id));
        if (list.Id == chosen) m_lists->setCurrentItem(item);
    }
    if (m_lists->currentItem() == nullptr && m_lists->count() > 0) m_lists->setCurrentRow(0);
    ShowListKits();
}

void TfmLibrary::ShowListKits() {
    m_listKits->clear();
    const auto list = CurrentList();
    if (list == 0) return;
    const auto kits = m_lib.ListKits(list);
    for (int p = 0; p < library::kMaxListKits; ++p) {
        const auto k = static_cast<std::size_t>(p);
        const bool held = k < kits.size() && kits[k];
        auto* item = new QListWidgetItem(
            // A figure space before 1..9: the names line up in any font.
            QStringLiteral("%1  %2").arg(p + 1, 2, 10, QChar(0x2007)).arg(held ? Text(kits[k]->Name)
                                                            : QStringLiteral("(empty)")),
            m_listKits);
        item->setData(kLibraryIdRole, static_cast<qlonglong>(held ? kits[k]->Id : library::kEmptyPlace));
    }
}

void TfmLibrary::Edited() {
    if (m_undo == nullptr) return;
    m_undo->setEnabled(m_edits.CanUndo());
    m_redo->setEnabled(m_edits.CanRedo());
    m_undo->setToolTip(m_edits.CanUndo() ? Text("Undo " + m_edits.UndoText()) : QString());
    m_redo->setToolTip(m_edits.CanRedo() ? Text("Redo " + m_edits.RedoText()) : QString());
    RefreshKeepingSelection();
    RefreshLists();
}

void TfmLibrary::Undo() {
    // Whatever the undo finds, the window shows the library as it is now.
    try {
        m_edits.Undo();
    } catch (...) {
        Edited();
        throw;
    }
    Edited();
}

void TfmLibrary::Redo() {
    try {
        m_edits.Redo();
    } catch (...) {
        Edited();
        throw;
    }
    Edited();
}

void TfmLibrary::ShowDeleted(bool deleted) {
    if (m_deleted->isChecked() != deleted) m_deleted->setChecked(deleted);
    ApplyFilter();
    RefreshLists();
}

void TfmLibrary::RestoreSelected() {
    const auto ids = SelectedIds();
    // Without a selected item: the deleted list chosen beside the table.
    if (ids.empty() && m_deleted->isChecked() && CurrentList() != 0)
        m_edits.RestoreList(CurrentList());
    else
        m_edits.Restore(ids);
    Edited();
}

void TfmLibrary::EmptyDeleted() {
    const int kits = m_lib.Count({.Deleted = true});
    const auto lists = m_lib.Lists(true).size();
    if (kits == 0 && lists == 0) return;
    if (!m_errors.Boxes().Confirm(
            QStringLiteral("Remove the %1 deleted items and %2 deleted lists for good? This "
                           "cannot be undone.")
                .arg(kits)
                .arg(lists),
            this))
        return;
    m_lib.EmptyDeleted();
    Edited();
}

void TfmLibrary::BackUp(const std::filesystem::path& file) {
    WithWaitCursor([&] { m_lib.Backup(file); });
}

void TfmLibrary::RestoreLibrary(const std::filesystem::path& backup) {
    if (!m_errors.Boxes().Confirm(
            QStringLiteral("Restore the library from the backup %1? Everything the library holds "
                           "now is replaced by the backup's items and lists, and the window's "
                           "Undo cannot take it back.")
                .arg(QString::fromStdString(backup.string())),
            this))
        return;
    WithWaitCursor([&] { m_lib.RestoreFrom(backup); });
    m_edits.Clear();
    ApplyFilter();
    Edited();
}

void TfmLibrary::LoadListIntoSlots() {
    if (CurrentList() == 0 || !m_target.PutKits || (m_target.Busy && m_target.Busy())) return;
    RequireShown();
    const auto list = CurrentList();
    if (list == 0) return;
    const auto kits = m_lib.ListKits(list);
    if (kits.empty()) return;
    const QString range = kits.size() == 1 ? QStringLiteral("slot 1")
                                           : QStringLiteral("slots 1 to %1").arg(kits.size());
    if (!m_errors.Boxes().Confirm(QStringLiteral("Load the list \"%1\" into %2? What %3 now "
                                                 "is replaced (Edit > Undo takes it back).")
                                      .arg(m_lists->currentItem()->text(), range,
                                           kits.size() == 1 ? QStringLiteral("it holds")
                                                            : QStringLiteral("they hold")),
                                  this))
        return;
    // An empty place leaves its slot as it is.
    std::vector<std::optional<library::Bytes>> items;
    for (const auto& kit : kits)
        items.push_back(kit ? std::optional(m_lib.ItemBytes(kit->Id)) : std::nullopt);
    m_target.PutKits(items);
}

void TfmLibrary::SaveListAs(const std::filesystem::path& file) {
    const auto list = CurrentList();
    if (list == 0) return;
    if (!td7::HasSetupExtension(file)) throw td7::FileError(td7::kSetupExtensionError);
    td7::ReplaceFile(file, m_lib.ListSetupImage(list));
}

void TfmLibrary::Import(const std::vector<std::filesystem::path>& paths) {
    std::unique_ptr<QProgressDialog> progress;
    const auto report = m_lib.Import(paths, [&](const std::filesystem::path&, int done, int total) {
        if (total > kQuietImportFiles && !progress) {
            progress = std::make_unique<QProgressDialog>(QStringLiteral("Importing files..."),
                                                         QStringLiteral("Cancel"), 0, total, this);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(300);
        }
        if (progress) {
            progress->setValue(done);
            if (progress->wasCanceled()) return false;
        }
        return true;
    });
    m_model->Refresh();
    // Said below the table, where the count of items is: done or cancelled, and what came in.
    m_detail->setText(Text(library::ImportSummary(report)));
    if (!report.Problems.empty()) {
        QStringList lines;
        for (const auto& problem : report.Problems) lines << Text(problem);
        throw library::LibraryError(lines.join(QLatin1Char('\n')).toStdString());
    }
}

void TfmLibrary::AcceptKitDropsOn(QListWidget* list) {
    m_dropTarget = list;
    list->setAcceptDrops(true);
    list->viewport()->setAcceptDrops(true);
    list->viewport()->installEventFilter(this);
}

bool TfmLibrary::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_listKits->viewport() && ListPositionEvent(event)) return true;
    if (m_dropTarget == nullptr || watched != m_dropTarget->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            AnswerDrag(*static_cast<QDragMoveEvent*>(event), *m_dropTarget, false);
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const auto ids = TLibraryModel::IdsOf(drop->mimeData());
            const int row = m_dropTarget->indexAt(drop->position().toPoint()).row();
            if (ids.empty() || row < 0) return false;
            drop->acceptProposedAction();
            Run([&] {
                const auto item = m_lib.Item(ids.front());
                if (!item || item->Kind != library::TKind::Kit)
                    throw library::LibraryError("Only a kit can go into a patch slot");
                if (m_target.Busy && m_target.Busy()) return;
                m_target.Put(item->Kind, m_lib.ItemBytes(item->Id), row);
            });
            return true;
        }
        default:
            return QWidget::eventFilter(watched, event);
    }
}

void TfmLibrary::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TfmLibrary::dropEvent(QDropEvent* event) {
    std::vector<std::filesystem::path> paths;
    for (const auto& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.emplace_back(url.toLocalFile().toStdString());
    if (paths.empty()) return;
    event->acceptProposedAction();
    Run([&] { Import(paths); });
}

}  // namespace editor
