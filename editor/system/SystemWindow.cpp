#include "editor/system/SystemWindow.h"

#include <array>

#include <QLineEdit>
#include <QPushButton>

#include "controls/Knob.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/shell/Help.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/MainWindow.h"
#include "editor/patch/PatchLayout.h"
#include "editor/patch/PatchPanel.h"
#include "editor/shell/StatusLine.h"
#include "editor/common/TabOrder.h"
#include "editor/transfers/ViewSysexWindow.h"
#include "midilink/MidiCompLink.h"
#include "td7/map/Retarget.h"
#include "td7/map/Td7Collections.h"

namespace editor {

namespace {

// Where the controls go, in the panel's coordinates: combo boxes and up-downs with their
// labels at the left, the up-downs' fields before their arrows, the knobs, and the check
// boxes, whose captions stand left of their boxes. Everything else about them comes from
// the parameter table.
constexpr int kLabelX = 6;
constexpr int kLabelWidth = 80;
constexpr int kFieldX = 88;
constexpr int kArrowsX = 121;
constexpr int kRowHeight = 19;
constexpr int kComboWidth = 97;
constexpr int kCheckX = 190;
constexpr int kCheckWidth = 103;
constexpr int kCheckHeight = 17;

constexpr TRect Label(int top) {
    return {kLabelX, top + 3, kLabelWidth, kRowHeight - 5};
}
constexpr TControlPlace Channel(std::string_view name, std::string_view field, int top) {
    return {name,
            {kArrowsX, top, 15, kRowHeight},
            Label(top),
            field,
            {kFieldX, top, kArrowsX - kFieldX, kRowHeight}};
}
constexpr TControlPlace Combo(std::string_view name, int top) {
    return {name, {kFieldX, top, kComboWidth, kRowHeight}, Label(top)};
}
constexpr TControlPlace Knob(std::string_view name, int left) {
    return {name, {left - 1, 175, kKnobWidth + 2, kKnobHeight + kCaptionLine + 1}, {}};
}
constexpr TControlPlace Check(std::string_view name, int k) {
    return {name, {kCheckX, 13 + 20 * k, kCheckWidth, kCheckHeight}, {}};
}

const std::array<TControlPlace, 23> kPlaces = {{
    Channel("TrigTxCh", "edTrigTxCh", 12),
    Channel("InstTxCh", "edInstTxCh", 32),
    Channel("CtrlTxCh", "edCtrlTxCh", 52),
    Combo("CtrlChMode", 72),
    Combo("FootSwMode", 92),
    Combo("SetSend1", 112),
    Combo("SetSend2", 132),
    Combo("InterfaceMode", 152),
    Knob("Prf1Chan", 10),
    Knob("Prf2Chan", 46),
    Knob("Prf3Chan", 82),
    Knob("InstLevel", 118),
    Knob("PitchBend", 154),
    Check("RxProgChange", 0),
    Check("TxProgChange", 1),
    Check("RxNoteOff", 2),
    Check("MidiMix", 3),
    Check("MidiOut", 4),
    Check("RxVolume", 5),
    Check("RxPanorama", 6),
    Check("RxHold", 7),
    Check("LocalCtrl", 8),
    Check("Aftertouch", 9),
}};

}  // namespace

TfmSystem::TfmSystem(TSystemServices services, QWidget* parent)
    : TSetupDialog(QStringLiteral("System Setup..."), {kClientWidth, kClientHeight},
                   kHelpSystemWindow, parent),
      m_services(services),
      m_controls(*services.Dumps, services.Link, services.History) {
    SetErrorDisplay(services.Errors);
    setObjectName(QStringLiteral("fmSystem"));
    m_panel = MakePanel({"gbSystem", {4, 8, 299, 233}, " System Setup"});
    MakeControls();
    PlaceButtons({152, 245}, {228, 245});
    OrderTabs({m_panel}, {ViewButton(), CloseButton()});
    connect(ViewButton(), &QPushButton::clicked, this, [this] { Run([this] { Button2Click(); }); });
}

TfmSystem::~TfmSystem() = default;

void TfmSystem::MakeControls() {
    for (const td7::TParameter* row : td7::PanelMembers(td7::PanelId::System)) {
        const TControlPlace& place = PlaceOf(kPlaces, row->Name);
        QWidget* control = m_controls.Create(*row, place, m_panel);
        if (auto* knob = qobject_cast<controls::TQvKnob*>(control)) PlaceKnob(knob, place.Control);
        if (row->Kind == td7::ControlKind::Check) control->setLayoutDirection(Qt::RightToLeft);
    }
}

QLineEdit* TfmSystem::Field(std::string_view upDown) const {
    return qobject_cast<QLineEdit*>(m_controls.Associate(upDown));
}

void TfmSystem::showEvent(QShowEvent* event) {
    TSetupDialog::showEvent(event);
    Run([this] { m_services.Dumps->SystemDump.UpdateComs(); });
}

void TfmSystem::Button2Click() {
    if (m_services.Viewer) m_services.Viewer->ShowRecord(m_services.Dumps->SystemDump.Current());
}

std::unique_ptr<TfmSystem> MakeSystemWindow(TfmTamboro& main, TfmViewSysex& viewer) {
    TSystemServices services;
    services.Dumps = &main.Dumps();
    services.Link = &main.MidiCompLink1();
    services.History = &main.History();
    services.Viewer = &viewer;
    services.Errors = &main.Errors();
    const QString helpDir = main.HelpDir();
    auto window = std::make_unique<TfmSystem>(services);
    window->SetHelpDir(helpDir);
    TfmSystem* shown = window.get();
    window->OnStatusTip = [&main](const QString& hint) { main.Status().SetText(hint); };
    main.Menu().Connect(TCommand::SysEdit, [&main, shown](int) {
        shown->SetColor(main.BackgroundColor());
        shown->ShowModal();
    });
    main.UpdateCommands();
    return window;
}

}  // namespace editor
