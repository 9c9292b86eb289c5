#include "editor/common/SetupDialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStatusTipEvent>

#include "controls/Error.h"
#include "controls/Knob.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/shell/Help.h"
#include "editor/patch/PatchLayout.h"
#include "editor/patch/PatchPanel.h"
#include "editor/common/ScreenCenter.h"

namespace editor {

namespace {

constexpr QSize kButtonSize{75, 25};

// The panels' face, falling back to a face with the metrics of the layouts' serif font
// where that is missing: the wider default serif would cut the labels.
QFont SetupFont() {
    QFont font = PanelFont();
    QStringList families{font.family()};
    families << QStringLiteral("Liberation Serif") << QStringLiteral("Nimbus Roman")
             << QStringLiteral("Tinos");
    font.setFamilies(families);
    return font;
}

}  // namespace

TSetupDialog::TSetupDialog(const QString& caption, QSize client, int helpContext, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_helpContext(helpContext),
      m_view(new QPushButton(QStringLiteral("View..."), this)),
      m_close(new QPushButton(QStringLiteral("Close"), this)) {
    setWindowTitle(caption);
    setFixedSize(client);
    setFont(SetupFont());
    setAutoFillBackground(true);
    setProperty("HelpContext", helpContext);
    m_view->setObjectName(QStringLiteral("Button2"));
    m_close->setObjectName(QStringLiteral("Button1"));
    m_view->setAutoDefault(false);
    m_close->setDefault(true);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &TSetupDialog::ShowHelp);
}

TSetupDialog::~TSetupDialog() = default;

void TSetupDialog::ShowHelp() {
    // A window of its own, owned here: it stays usable while this one is modal.
    if (!m_help) m_help = std::make_unique<THelpWindow>(m_helpDir, this);
    m_help->ShowContext(m_helpContext);
}

const TControlPlace& PlaceOf(std::span<const TControlPlace> places, std::string_view name) {
    for (const TControlPlace& place : places)
        if (place.Name == name) return place;
    throw controls::Error("No place for control " + std::string(name));
}

void TSetupDialog::Run(const std::function<void()>& command) {
    if (m_errors)
        m_errors->RunCommand(command, this);
    else
        controls::GuardUserAction(this, command);
}

int TSetupDialog::ShowModal() {
    return exec();
}

void TSetupDialog::SetColor(const QColor& color) {
    QPalette colors = palette();
    colors.setColor(QPalette::Window, color);
    // The panels keep the face colour, so their captions read on any background.
    setPalette(colors);
}

void TSetupDialog::reject() {
    // Escape and the close box end the window as Close does.
    accept();
}

TPatchPanel* TSetupDialog::MakePanel(const TPanelPlace& place) {
    auto* panel = new TPatchPanel(place, this);
    panel->setFont(SetupFont());
    if (QLabel* tab = panel->TitleTab()) {
        tab->setFont(SetupFont());
        tab->resize(QFontMetrics(tab->font()).horizontalAdvance(tab->text()) + 8, tab->height());
    }
    return panel;
}

void TSetupDialog::PlaceButtons(QPoint view, QPoint close) {
    m_view->setGeometry(QRect(view, kButtonSize));
    m_close->setGeometry(QRect(close, kButtonSize));
}

void TSetupDialog::showEvent(QShowEvent* event) {
    CenterOnScreen(*this);
    QDialog::showEvent(event);
}

bool TSetupDialog::event(QEvent* event) {
    // A control's hint travels up to its window and stops here.
    if (event->type() == QEvent::StatusTip && OnStatusTip) {
        OnStatusTip(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

QLabel* PlaceKnob(controls::TQvKnob* knob, const TRect& slot) {
    knob->setGeometry(slot.Left + (slot.Width - kKnobWidth) / 2, slot.Top, kKnobWidth, kKnobHeight);
    auto* caption = new QLabel(knob->CenterText(), knob->parentWidget());
    caption->setObjectName(knob->objectName() + QStringLiteral("Caption"));
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    caption->setWordWrap(true);
    caption->setGeometry(slot.Left, slot.Top + kKnobHeight, slot.Width, slot.Height - kKnobHeight);
    knob->SetCenterText({});
    return caption;
}

}  // namespace editor
