#include "editor/instrument/InstrumentWindow.h"

#include <array>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/Knob.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/shell/Help.h"
#include "editor/instrument/InstrumentList.h"
#include "editor/instrument/InstrumentNameEdit.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/MainWindow.h"
#include "editor/patch/PatchLayout.h"
#include "editor/instrument/PatchLookupSwitch.h"
#include "editor/patch/PatchPanel.h"
#include "editor/shell/StatusLine.h"
#include "editor/transfers/ViewSysexWindow.h"
#include "midilink/MidiCompLink.h"
#include "td7/history/EditHistory.h"
#include "td7/map/InstrumentName.h"
#include "td7/map/PatchLookup.h"
#include "td7/map/Retarget.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"

namespace editor {

namespace {

// Where the bound controls of gbInst go, in the panel's coordinates; everything else
// about them comes from the parameter table.
constexpr int kLeft = 6;  // labels
constexpr int kLabelWidth = 54;
constexpr int kField = 62;      // fields after a label
constexpr int kNameField = 38;  // the name row is tighter: the lookup switch shares it
constexpr int kRight = 231;     // right edge of the fields
constexpr int kRowHeight = 19;  // edit fields and combo boxes
constexpr int kNameTop = 16;
constexpr int kRefsTop = 39;
constexpr int kKnobRow1 = 106;
constexpr int kKnobRow2 = 162;
constexpr int kKnobSlot1 = 38;  // six knobs in the first row
constexpr int kKnobSlot2 = 45;  // five in the second, whose captions take two lines

constexpr TRect Row(int top, int left = kField, int right = kRight) {
    return {left, top, right - left, kRowHeight};
}
constexpr TRect Label(int top, int left = kLeft, int width = kLabelWidth) {
    return {left, top + 3, width, kRowHeight - 5};
}
// Knob slots: the knob with its caption below.
constexpr TRect Knob1(int k) {
    return {4 + k * kKnobSlot1, kKnobRow1, kKnobSlot1, kKnobHeight + kCaptionLine + 1};
}
constexpr TRect Knob2(int k) {
    return {6 + k * kKnobSlot2, kKnobRow2, kKnobSlot2, kKnobHeight + 2 * kCaptionLine + 4};
}

const std::array<TControlPlace, 14> kPlaces = {{
    {"Waveform", Row(62), Label(62)},
    {"Polyphony", Row(85, kField, 114), Label(85)},
    {"Assign", Row(85, 176), Label(85, 120, 54)},
    {"Pitch", Knob1(0), {}},
    {"Decay", Knob1(1), {}},
    {"Pan", Knob1(2), {}},
    {"Nuance", Knob1(3), {}},
    {"Brilliance", Knob1(4), {}},
    {"Level", Knob1(5), {}},
    {"AttackDamp", Knob2(0), {}},
    {"BendTime", Knob2(1), {}},
    {"DynaBend", Knob2(2), {}},
    {"Effect1", Knob2(3), {}},
    {"Effect2", Knob2(4), {}},
}};

// Record bytes as a field shows them: bytes below 32 (never filled) as blanks.
QString FieldText(const std::string& bytes) {
    QString text = QString::fromLatin1(bytes);
    for (QChar& c : text)
        if (c.unicode() < 32) c = QLatin1Char(' ');
    return text;
}

}  // namespace

TfmInstrument::TfmInstrument(TInstrumentServices services, QWidget* parent)
    : TSetupDialog(QStringLiteral("Edit Instruments..."), {kClientWidth, kClientHeight},
                   kHelpInstrumentEditor, parent),
      m_services(services),
      m_controls(*services.Dumps, services.Link, services.History) {
    SetErrorDisplay(services.Errors);
    setObjectName(QStringLiteral("fmInstrument"));

    TPatchPanel* select = MakePanel({"gbSelect", {4, 8, 113, 237}, " Instrument Select"});
    m_list = new TInstrumentList(select);
    m_list->setGeometry(5, 11, 103, 220);
    m_list->OnDrawItem = [this](int i) { return LineText(i); };
    m_list->OnClick = [this](TInstrumentList*) { Run([this] { lbInstClick(); }); };

    m_panel = MakePanel({"gbInst", {120, 8, 237, 237}, " Instrument Setup"});
    auto* nameLabel = new QLabel(QStringLiteral("Name:"), m_panel);
    Place(nameLabel, Label(kNameTop, kLeft, kNameField - kLeft - 2));
    m_name = new TNameEdit(td7::kNameChars, m_panel);
    m_name->setObjectName(QStringLiteral("edName"));
    m_name->setToolTip(QStringLiteral("Instrument Name"));
    m_name->setStatusTip(m_name->toolTip());
    Place(m_name, Row(kNameTop, kNameField, kNameField + 44));
    m_name->OnExit = [this](TNameEdit*) { Run([this] { edNameExit(); }); };
    m_type = new TNameEdit(1, m_panel);
    m_type->setObjectName(QStringLiteral("edName2"));
    m_type->setToolTip(QStringLiteral("Instrument Type"));
    m_type->setStatusTip(m_type->toolTip());
    Place(m_type, Row(kNameTop, kNameField + 46, kNameField + 62));
    m_type->OnExit = [this](TNameEdit*) { Run([this] { edName2Exit(); }); };

    m_lookup = std::make_unique<TPatchLookupSwitch>(m_panel);
    Place(m_lookup->cbLookupPatches(), Row(kNameTop, kNameField + 68));
    Place(m_lookup->laPatches(), Label(kRefsTop));
    Place(m_lookup->edRefs(), Row(kRefsTop));
    m_lookup->OnLookup = [this] { return LookupText(); };
    m_lookup->OnSwitch = [this](bool on) {
        if (OnLookupChange) OnLookupChange(on);
    };

    MakeControls();

    PlaceButtons({206, 248}, {282, 248});
    connect(ViewButton(), &QPushButton::clicked, this, [this] { Run([this] { Button2Click(); }); });
}

TfmInstrument::~TfmInstrument() = default;

void TfmInstrument::MakeControls() {
    for (const td7::TParameter* row : td7::PanelMembers(td7::PanelId::Inst)) {
        const TControlPlace& place = PlaceOf(kPlaces, row->Name);
        QWidget* control = m_controls.Create(*row, place, m_panel);
        if (auto* knob = qobject_cast<controls::TQvKnob*>(control)) PlaceKnob(knob, place.Control);
    }
}

int TfmInstrument::ShowInstrument(int i) {
    m_list->SetItemIndex(i);
    return ShowModal();
}

void TfmInstrument::showEvent(QShowEvent* event) {
    TSetupDialog::showEvent(event);
    if (OnShowing) OnShowing();
    Run([this] { lbInstClick(); });
}

void TfmInstrument::done(int result) {
    // Enter and Escape close the window with the focus still in a name field: what was
    // typed there is kept as if the field had been left.
    if (m_name->hasFocus()) Run([this] { edNameExit(); });
    if (m_type->hasFocus()) Run([this] { edName2Exit(); });
    TSetupDialog::done(result);
}

void TfmInstrument::lbInstClick() {
    const int i = m_list->ItemIndex() < 0 ? 0 : m_list->ItemIndex();
    m_instrument = i;
    m_services.Dumps->InstrumentDump.SetIndex(i);
    m_controls.Retarget(td7::PanelId::Inst, td7::InstrumentSelection(i));
    ShowName();
    if (m_lookup->On()) m_lookup->Refresh();
}

void TfmInstrument::SelectInstrument(int i) {
    m_list->SetItemIndex(i);
    lbInstClick();
}

void TfmInstrument::ShowName(bool keepEdits) {
    const std::string text = td7::InstrumentNameText(m_services.Dumps->InstrumentDump, m_instrument);
    if (!keepEdits || !m_name->isModified()) m_name->setText(FieldText(text.substr(0, td7::kNameChars)));
    if (!keepEdits || !m_type->isModified())
        m_type->setText(FieldText(text.substr(td7::kNameChars + 1, 1)));
}

void TfmInstrument::InstrumentChanged(int i) {
    // A hidden window shows everything afresh at its next showing.
    if (!isVisible()) return;
    if (i < 0)
        m_list->viewport()->update();
    else
        m_list->RedrawLine(i);
    if (i < 0 || i == m_instrument) ShowName(true);
}

bool TfmInstrument::LookupPatches() const {
    return m_lookup->On();
}

void TfmInstrument::SetLookupPatches(bool on) {
    m_lookup->SetOn(on);
}

std::string TfmInstrument::LookupText() {
    return td7::PatchLookup(m_services.Dumps->NotemapDump, *m_services.Present, m_instrument);
}

std::string TfmInstrument::LineText(int i) {
    return InstrumentLine(i, td7::InstrumentNameText(m_services.Dumps->InstrumentDump, i));
}

void TfmInstrument::edNameExit() {
    // A field the user has not edited stores nothing: it shows control characters of the
    // record as blanks, and passing through it must not write those blanks to the module.
    if (!m_name->isModified()) return;
    const int i = m_instrument;
    bool changed = false;
    StoreCharacters("Instrument Name", td7::kNameCharsAt, td7::kNameChars, [&] {
        changed = td7::StoreInstrumentName(m_services.Dumps->InstrumentDump, *m_services.Link, i,
                                      m_name->Codes());
    });
    // The field shows what the record holds now: padded, and without refused characters.
    ShowName();
    if (changed) m_list->RedrawLine(i);
}

void TfmInstrument::StoreCharacters(const char* label, int first, int count,
                                    const std::function<void()>& store) {
    if (!m_services.History) return store();
    const int i = m_instrument;
    m_services.History->RecordName(
        label, {td7::Block::Instrument, i, td7::PanelId::Inst}, first, count,
        [i](int position, std::uint8_t character) {
            return td7::InstrumentCharacterMessage(i, position, character);
        },
        store);
}

void TfmInstrument::edName2Exit() {
    if (!m_type->isModified()) return;
    const int i = m_instrument;
    bool changed = false;
    StoreCharacters("Instrument Type", td7::kTypeCharAt, 1, [&] {
        changed = td7::StoreInstrumentType(m_services.Dumps->InstrumentDump, *m_services.Link, i,
                                      m_type->Codes());
    });
    ShowName();
    if (changed) m_list->RedrawLine(i);
}

void TfmInstrument::Button2Click() {
    if (m_services.Viewer)
        m_services.Viewer->ShowRecord(m_services.Dumps->InstrumentDump.Current());
}

std::unique_ptr<TfmInstrument> MakeInstrumentWindow(TfmTamboro& main, TfmViewSysex& viewer) {
    TInstrumentServices services;
    services.Dumps = &main.Dumps();
    services.Link = &main.MidiCompLink1();
    services.History = &main.History();
    services.Present = &main.Present();
    services.Viewer = &viewer;
    services.Errors = &main.Errors();
    const QString helpDir = main.HelpDir();
    auto window = std::make_unique<TfmInstrument>(services);
    window->SetHelpDir(helpDir);
    TfmInstrument* shown = window.get();
    window->OnShowing = [&main, shown] {
        shown->SetColor(main.BackgroundColor());
        shown->SetLookupPatches(main.PatchLookup());
    };
    window->OnLookupChange = [&main](bool on) { main.SetPatchLookup(on); };
    window->OnStatusTip = [&main](const QString& hint) { main.Status().SetText(hint); };
    QObject::connect(&main, &TfmTamboro::InstrumentRecordChanged, shown,
                     [shown](int i) { shown->InstrumentChanged(i); });
    main.Menu().Connect(TCommand::InstEdit, [shown](int) { shown->ShowModal(); });
    main.UpdateCommands();
    return window;
}

}  // namespace editor
