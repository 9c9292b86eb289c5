#include "editor/trigger/TriggerCheckWindow.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

#include "editor/common/ErrorDisplay.h"
#include "editor/common/MessageBoxes.h"
#include "editor/shell/Help.h"
#include "editor/shell/MainWindow.h"
#include "editor/trigger/PadChart.h"
#include "td7/files/FileIo.h"
#include "td7/triggers/HitsCsv.h"
#include "td7/triggers/PadHits.h"
#include "td7/map/PresentFlags.h"
#include "td7/session/Session.h"

namespace editor {

namespace {

QTableWidget* Table(const QStringList& headers, const QString& name, QWidget* parent) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setWordWrap(false);
    // One Tab stop: the arrow keys walk the cells, Tab goes on to the next control.
    table->setTabKeyNavigation(false);
    return table;
}

// Sets the table's rows, leaving cells that already show their text alone.
void SetRows(QTableWidget& table, const std::vector<QStringList>& rows) {
    table.setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < table.columnCount(); ++c) {
            const QString& text = rows[static_cast<std::size_t>(r)][c];
            QTableWidgetItem* item = table.item(r, c);
            if (item == nullptr)
                table.setItem(r, c, new QTableWidgetItem(text));
            else if (item->text() != text)
                item->setText(text);
        }
}

QSpinBox* Milliseconds(int min, int max, int value, const QString& name, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(min, max);
    box->setValue(value);
    box->setSuffix(QStringLiteral(" ms"));
    return box;
}

}  // namespace

TfmTriggerCheck::TfmTriggerCheck(TfmTamboro& main, FileDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_main(main),
      m_errors(main.Errors()),
      m_dialogs(dialogs),
      m_check(td7::TPadMap::ByNotes()),
      m_chart(new TPadChart(this)),
      m_doubles(Table({QStringLiteral("Pad"), QStringLiteral("Doubles"), QStringLiteral("Apart")},
                      QStringLiteral("tbDoubles"), this)),
      m_crosstalk(Table({QStringLiteral("Pads"), QStringLiteral("Times"),
                         QStringLiteral("Velocities")},
                        QStringLiteral("tbCrosstalk"), this)),
      m_list(new QListWidget(this)),
      m_apply(new QPushButton(QStringLiteral("Apply"), this)),
      m_doubleWindow(Milliseconds(5, 100, 30, QStringLiteral("seDoubleWindow"), this)),
      m_crosstalkWindow(Milliseconds(1, 30, 8, QStringLiteral("seCrosstalkWindow"), this)),
      m_count(new QLabel(this)),
      m_valuesLater(new QTimer(this)) {
    setObjectName(QStringLiteral("fmTriggerCheck"));
    setWindowTitle(QStringLiteral("Trigger Check"));
    setProperty("HelpContext", kHelpTriggerCheck);
    resize(1080, 820);
    m_save.Mode = TFileDialogMode::Save;
    m_save.Title = QStringLiteral("Save Hits");
    m_save.Filter = QStringLiteral("Hits (CSV)|*.csv");
    m_save.DefaultSuffix = QStringLiteral("csv");

    auto* scroll = new QScrollArea(this);
    scroll->setWidget(m_chart);
    scroll->setWidgetResizable(true);
    m_list->setObjectName(QStringLiteral("lbSuggestions"));
    m_list->setWordWrap(true);
    m_apply->setObjectName(QStringLiteral("btnApply"));
    m_apply->setToolTip(QStringLiteral("Turn the parameter one step, as an edit that Undo takes back"));
    m_count->setObjectName(QStringLiteral("laCount"));
    auto* again = new QPushButton(QStringLiteral("Start Again"), this);
    again->setObjectName(QStringLiteral("btnStartAgain"));
    auto* save = new QPushButton(QStringLiteral("Save Hits..."), this);
    save->setObjectName(QStringLiteral("btnSaveHits"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("btnClose"));

    auto* windows = new QHBoxLayout;
    windows->addWidget(new QLabel(QStringLiteral("Double within"), this));
    windows->addWidget(m_doubleWindow);
    windows->addSpacing(16);
    windows->addWidget(new QLabel(QStringLiteral("Crosstalk within"), this));
    windows->addWidget(m_crosstalkWindow);
    windows->addStretch(1);
    windows->addWidget(m_count);

    auto* tables = new QHBoxLayout;
    auto* doubles = new QGroupBox(QStringLiteral("Double triggers"), this);
    (new QVBoxLayout(doubles))->addWidget(m_doubles);
    auto* crosstalk = new QGroupBox(QStringLiteral("Crosstalk"), this);
    (new QVBoxLayout(crosstalk))->addWidget(m_crosstalk);
    tables->addWidget(doubles, 2);
    tables->addWidget(crosstalk, 3);
    m_doubles->setColumnWidth(0, 130);
    m_crosstalk->setColumnWidth(0, 230);
    m_crosstalk->setColumnWidth(1, 60);

    auto* suggestions = new QGroupBox(QStringLiteral("Suggestions"), this);
    auto* suggestionLayout = new QHBoxLayout(suggestions);
    suggestionLayout->addWidget(m_list, 1);
    suggestionLayout->addWidget(m_apply, 0, Qt::AlignTop);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(again);
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(windows);
    layout->addWidget(scroll, 4);
    layout->addLayout(tables, 2);
    layout->addWidget(suggestions, 2);
    layout->addLayout(buttons);

    connect(again, &QPushButton::clicked, this, [this] { StartAgain(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveHits(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_apply, &QPushButton::clicked, this, [this] { Apply(m_list->currentRow()); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { Apply(m_list->currentRow()); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int k) {
        m_apply->setEnabled(k >= 0 && k < static_cast<int>(m_suggestions.size()) &&
                            m_suggestions[static_cast<std::size_t>(k)].Step.has_value());
    });
    const auto windowsChanged = [this] {
        m_check.SetWindows({.Double = m_doubleWindow->value() / 1000.0,
                            .Crosstalk = m_crosstalkWindow->value() / 1000.0});
        Refresh();
    };
    connect(m_doubleWindow, &QSpinBox::valueChanged, this, windowsChanged);
    connect(m_crosstalkWindow, &QSpinBox::valueChanged, this, windowsChanged);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (!m_help) m_help = std::make_unique<THelpWindow>(m_main.HelpDir(), this);
        m_help->ShowContext(kHelpTriggerCheck);
    });

    // An applied step, a knob turned, a record received: the values and what follows from
    // them, once for a whole batch of records.
    m_valuesLater->setSingleShot(true);
    m_valuesLater->setInterval(0);
    connect(m_valuesLater, &QTimer::timeout, this, [this] { ValuesChanged(); });
    connect(&m_main, &TfmTamboro::DumpRecordChanged, this, [this] {
        if (isVisible()) m_valuesLater->start();
    });
    connect(&m_main, &TfmTamboro::CurrentPatchChanged, this, [this] {
        if (isVisible()) PatchChanged();
    });
    PatchChanged();
}

TfmTriggerCheck::~TfmTriggerCheck() {
    if (m_main.Session().OnCheckedHit) {
        m_main.Session().OnCheckedHit = nullptr;
        m_main.Session().SetCheckingTriggers(false);
    }
}

void TfmTriggerCheck::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    td7::TSession& session = m_main.Session();
    if (session.CheckingTriggers()) return;
    session.OnCheckedHit = [this] { HitArrived(); };
    session.SetCheckingTriggers(true);
    PatchChanged();
    StartAgain();
}

void TfmTriggerCheck::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimised counts as open: the drummer may be playing with the window out of the way.
    if (event->spontaneous()) return;
    m_main.Session().OnCheckedHit = nullptr;
    m_main.Session().SetCheckingTriggers(false);
}

void TfmTriggerCheck::HitArrived() {
    if (m_handlingQueued) return;
    m_handlingQueued = true;
    const auto since = std::chrono::steady_clock::now() - m_lastHandled;
    const auto wait = since >= kFrame ? std::chrono::milliseconds(0)
                                      : std::chrono::ceil<std::chrono::milliseconds>(kFrame - since);
    QTimer::singleShot(wait, Qt::PreciseTimer, this, [this] { HandleHits(); });
}

void TfmTriggerCheck::HandleHits() {
    m_handlingQueued = false;
    m_lastHandled = std::chrono::steady_clock::now();
    const std::vector<td7::TPadHit> hits = m_main.Session().CheckedHits().Take();
    if (hits.empty()) return;
    for (const td7::TPadHit& hit : hits)
        m_check.Record(std::chrono::duration<double>(hit.Delivered - m_start).count(), hit.Note,
                       hit.Velocity);
    Refresh();
}

void TfmTriggerCheck::StartAgain() {
    (void)m_main.Session().CheckedHits().Take();
    m_check.Clear();
    m_start = std::chrono::steady_clock::now();
    Refresh();
}

void TfmTriggerCheck::PatchChanged() {
    const int p = m_main.CurrentPatch();
    // An empty slot has no triggers: its notes are counted one by one.
    const bool present = p >= 0 && m_main.Present().PatchPresent(p);
    m_check.SetPads(present ? td7::TPadMap::OfPatch(m_main.Dumps(), p) : td7::TPadMap::ByNotes());
    ValuesChanged();
}

void TfmTriggerCheck::ValuesChanged() {
    const int p = m_main.CurrentPatch();
    m_values = p >= 0 && m_main.Present().PatchPresent(p)
                   ? td7::PadValues(m_main.Dumps(), p, m_check.Pads())
                   : std::vector<std::optional<td7::TTriggerValues>>{};
    Refresh();
}

void TfmTriggerCheck::Refresh() {
    m_chart->Show(&m_check, &m_values);
    m_count->setText(QStringLiteral("%1 notes").arg(m_check.Notes().size()));
    FillTables();
    FillSuggestions();
}

void TfmTriggerCheck::FillTables() {
    const td7::TPadMap& pads = m_check.Pads();
    std::vector<QStringList> doubles;
    for (int pad = 0; pad < pads.Count(); ++pad) {
        const td7::TPadCounts& counts = m_check.Counts(pad);
        if (counts.Doubles == 0) continue;
        doubles.push_back({QString::fromStdString(pads.Name(pad)), QString::number(counts.Doubles),
                           QString::fromStdString(counts.GapsText() + " ms")});
    }
    SetRows(*m_doubles, doubles);
    std::vector<QStringList> crosstalk;
    for (const auto& [pair, c] : m_check.Crosstalk()) {
        const QString velocities =
            c.LowestVelocity == c.HighestVelocity
                ? QString::number(c.LowestVelocity)
                : QStringLiteral("%1\u2013%2").arg(c.LowestVelocity).arg(c.HighestVelocity);
        crosstalk.push_back({QString::fromStdString(pads.Name(pair.first) + " \u2192 " +
                                                   pads.Name(pair.second)),
                             QString::number(c.Count),
                             velocities + QStringLiteral(" (hit up to %1)").arg(c.LoudestSource)});
    }
    SetRows(*m_crosstalk, crosstalk);
}

void TfmTriggerCheck::FillSuggestions() {
    std::vector<td7::TSuggestion> next = td7::Suggest(m_check, m_values);
    const bool same = std::equal(next.begin(), next.end(), m_suggestions.begin(), m_suggestions.end(),
                                 [](const auto& a, const auto& b) { return a.Text == b.Text; });
    m_suggestions = std::move(next);
    if (same) return;
    // The selection stays on its pad's advice while the evidence grows.
    const int was = m_list->currentRow();
    const QString wasText = was >= 0 ? m_list->item(was)->text() : QString();
    m_list->clear();
    int select = -1;
    for (std::size_t k = 0; k < m_suggestions.size(); ++k) {
        const QString text = QString::fromStdString(m_suggestions[k].Text);
        m_list->addItem(text);
        if (select < 0 && !wasText.isEmpty() && text.section(QLatin1Char(':'), 0, 1) ==
                                                    wasText.section(QLatin1Char(':'), 0, 1))
            select = static_cast<int>(k);
    }
    if (select < 0 && !m_suggestions.empty()) select = 0;
    m_list->setCurrentRow(select);
    m_apply->setEnabled(select >= 0 && m_suggestions[static_cast<std::size_t>(select)].Step);
}

void TfmTriggerCheck::Apply(int k) {
    if (k < 0 || k >= static_cast<int>(m_suggestions.size())) return;
    const td7::TSuggestion suggestion = m_suggestions[static_cast<std::size_t>(k)];
    // A transfer waits in the event loop: an edit now would go out among its records.
    if (!suggestion.Step || m_main.Transfers().Busy()) return;
    const bool hadFocus = m_apply->hasFocus();
    m_errors.RunCommand([&] { m_main.History().SetParameters(suggestion.Label, {*suggestion.Step}); },
                        this);
    ValuesChanged();
    // Applied advice may leave nothing to apply: the focus stays among the suggestions
    // instead of jumping to whatever control comes next.
    if (hadFocus && !m_apply->isEnabled()) m_list->setFocus(Qt::OtherFocusReason);
}

QByteArray TfmTriggerCheck::ChartPng() const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    m_chart->grab().save(&buffer, "PNG");
    return bytes;
}

void TfmTriggerCheck::SaveHits() {
    const QString file = m_dialogs.Run(m_save, {}, this);
    if (file.isEmpty()) return;
    const std::filesystem::path csv = QFile::encodeName(file).toStdString();
    std::filesystem::path png = csv;
    png.replace_extension(".png");
    // The file dialog asked about the CSV only; the chart's file may be something else.
    std::error_code error;
    if (std::filesystem::exists(png, error) &&
        !m_errors.Boxes().Confirm(
            QStringLiteral("%1 already exists. Replace it with the chart?")
                .arg(QFile::decodeName(png.string().c_str())),
            this))
        return;
    m_errors.RunCommand(
        [&] {
            td7::SaveHitsCsv(csv, m_check);
            const QByteArray image = ChartPng();
            td7::ReplaceFile(png, std::span(reinterpret_cast<const std::uint8_t*>(image.data()),
                                            static_cast<std::size_t>(image.size())));
        },
        this);
}

}  // namespace editor
