#include "editor/patch/PatchEditor.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>

#include "controls/Colors.h"
#include "controls/MidiCheckBox.h"
#include "controls/MidiComboBox.h"
#include "controls/MidiKnob.h"
#include "controls/MidiUpDown.h"
#include "editor/patch/DrumKit.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/shell/Help.h"
#include "editor/shell/MainMenu.h"
#include "editor/shell/MainWindow.h"
#include "editor/common/TabOrder.h"
#include "editor/patch/NotemapList.h"
#include "editor/patch/PadHitFollower.h"
#include "editor/patch/PatchLayout.h"
#include "editor/patch/PatchList.h"
#include "editor/patch/PatchName.h"
#include "editor/patch/PatchPanel.h"
#include "editor/patch/PatchTexts.h"
#include "editor/patch/PatchTriggerDefaults.h"
#include "editor/transfers/ViewSysexWindow.h"
#include "midilink/MidiCompLink.h"
#include "midiports/MidiOutput.h"
#include "td7/history/EditHistory.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Decode.h"

namespace editor {

namespace {

// A program change on MIDI channel 10 when a patch is selected, and a note-on on channel
// 10 with velocity 64 when a pad is clicked (no note-off follows).
constexpr const char* kProgramChange = "C9d0";
constexpr const char* kAuditionNote = "99d040";

// The panels whose texts and controls follow the editing state; the effect panels only
// change the colour of their texts.
constexpr std::array<std::string_view, 5> kEditingPanels = {
    "gbPatchCommon", "gbNotemap", "gbHihatPedal", "gbTriggerSelect", "gbTrigger"};
constexpr std::array<std::string_view, 2> kEffectPanels = {"gbEffect1", "gbEffect2"};

constexpr std::array<const char*, 5> kSoundCombos = {"Sound1", "Sound2", "PerfSound1", "PerfSound2",
                                                     "PerfSound3"};

const QColor kGrayText(0x80, 0x80, 0x80);

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// One page per effect type, named and ordered as the type's items.
QStackedWidget* MakeNotebook(const char* name, td7::ItemList types, QWidget* parent) {
    auto* notebook = new QStackedWidget(parent);
    notebook->setObjectName(QString::fromLatin1(name));
    Place(notebook, kEffectNotebook);
    for (const std::string& page : td7::Items(types)) {
        auto* widget = new QWidget(notebook);
        widget->setObjectName(QString::fromStdString(page));
        notebook->addWidget(widget);
    }
    return notebook;
}

// Item text of an owner-drawn combo box, on the closed box's face or a line of its list.
void DrawComboText(QPainter& painter, const QRect& rect, const QString& text) {
    painter.drawText(rect.adjusted(1, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

}  // namespace

TPatchEditor::TPatchEditor(TfmTamboro& main, TfmViewSysex& viewer)
    : m_main(main),
      m_viewer(viewer),
      m_controls(main.Dumps(), &main.MidiCompLink1(), &main.History()) {
    setObjectName(QStringLiteral("PatchEditor"));
    BuildPanels();
    BuildControls();
    BuildFurniture();
    std::vector<QWidget*> panels;
    for (const TPanelPlace& panel : PatchPanels()) panels.push_back(Panel(panel.Name));
    OrderTabs(panels);
    ConnectHandlers();
    ConnectMenu();
    AttachToMain();

    // The window opens on patch 1, its first trigger and note 35, with editing off and
    // the trigger panel over the pedal's.
    m_lbPatch->SelectSilently(0);
    m_lbNotemap->SelectSilently(0);
    m_coTrigger->setCurrentIndex(0);
    Panel("gbHihatPedal")->hide();
    Panel("gbTrigger")->show();
    for (td7::Block block : td7::kPatchBlocks) m_main.Dumps().Of(block).UpdateComs();
    SetPatchEditing(m_main.PatchEditing());
    ShowPatchName();
    PresentChanged();
    m_padHits = std::make_unique<TPadHitFollower>(m_main, *this);
}

TPatchEditor::~TPatchEditor() {
    // The main window outlives the editor by a moment; nothing of it may call back here.
    m_main.OnPatchEditingChange = nullptr;
    m_main.Present().OnChange = m_previousPresentChange;
}

void TPatchEditor::BuildPanels() {
    QWidget* client = m_main.ClientArea();
    for (const TPanelPlace& place : PatchPanels())
        m_panels.push_back(new TPatchPanel(place, client));
    Panel("gbHihatPedal")->ShareTitleTab(Panel("gbTrigger")->TitleTab());
    // Tabs straddle the edges of the panels, so they go on top of every panel.
    for (TPatchPanel* panel : m_panels)
        if (QLabel* tab = panel->TitleTab(); tab && tab->parentWidget() == client) tab->raise();

    m_effect1Notebook = MakeNotebook("Effect1Notebook", td7::ItemList::Effect1Types, Panel("gbEffect1"));
    m_effect2Notebook = MakeNotebook("Effect2Notebook", td7::ItemList::Effect2Types, Panel("gbEffect2"));
}

TPatchPanel* TPatchEditor::Panel(std::string_view name) const {
    for (TPatchPanel* panel : m_panels)
        if (panel->objectName() == Latin1(name)) return panel;
    return nullptr;
}

void TPatchEditor::BuildControls() {
    for (const td7::TParameter& row : td7::Parameters()) {
        if (row.Window != td7::WindowId::Main) continue;
        QWidget* parent = Panel(td7::PanelName(row.Panel));
        // Effect knobs sit on their page of the panel's page container.
        if (!row.Page.empty()) parent = parent->findChild<QWidget*>(Latin1(row.Page));
        const TControlPlace* place = FindControlPlace(row.Name);
        if (place == nullptr)
            throw std::logic_error("No place for " + std::string(row.Name) + " on the window");
        m_controls.Create(row, *place, parent);
    }
    m_txNoteNr = Control<controls::TMidiComboBox>("txNoteNr");
    m_pxNoteNr = Control<controls::TMidiComboBox>("pxNoteNr");
    m_cbRxProgram = Control<controls::TMidiCheckBox>("cbRxProgram");
    m_udProgram = Control<controls::TMidiUpDown>("udProgram");
}

void TPatchEditor::BuildFurniture() {
    m_lbPatch = new TOwnerDrawList(td7::kPatchCount, kListLineHeight, Panel("paPatchSelect"));
    m_lbPatch->setObjectName(QStringLiteral("lbPatch"));
    m_lbPatch->setFont(ListFont());
    Place(m_lbPatch, kPatchListRect);

    QWidget* common = Panel("gbPatchCommon");
    auto* nameLabel = new QLabel(QStringLiteral("Name:"), common);
    nameLabel->setObjectName(QStringLiteral("lbName"));
    Place(nameLabel, kNameLabel);
    m_edName = new TPatchNameEdit(common);
    m_edName->setObjectName(QStringLiteral("edName"));
    Place(m_edName, kNameEdit);

    QWidget* notemap = Panel("gbNotemap");
    m_lbNotemap = new TOwnerDrawList(td7::kNotesPerPatch, kListLineHeight, notemap);
    m_lbNotemap->setObjectName(QStringLiteral("lbNotemap"));
    m_lbNotemap->setFont(ListFont());
    Place(m_lbNotemap, kNotemapListRect);
    m_btnSound1 = new QPushButton(QStringLiteral("..."), notemap);
    m_btnSound1->setObjectName(QStringLiteral("btnSound1"));
    Place(m_btnSound1, kSound1Button);
    m_btnSound2 = new QPushButton(QStringLiteral("..."), notemap);
    m_btnSound2->setObjectName(QStringLiteral("btnSound2"));
    Place(m_btnSound2, kSound2Button);

    QWidget* select = Panel("gbTriggerSelect");
    m_drumKit = new TDrumKit(select);
    Place(m_drumKit, kDrumKitRect);
    auto* selected = new QLabel(QStringLiteral("Selected:"), select);
    selected->setObjectName(QStringLiteral("lbSelected"));
    Place(selected, kSelectedLabel);
    m_coTrigger = new QComboBox(select);
    m_coTrigger->setObjectName(QStringLiteral("coTrigger"));
    for (const td7::TriggerEntry& entry : td7::TriggerTable())
        m_coTrigger->addItem(Latin1(entry.SelectorText));
    m_coTrigger->setMaxVisibleItems(td7::kTriggerSelectorEntries);
    Place(m_coTrigger, kTriggerCombo);
}

void TPatchEditor::ConnectHandlers() {
    td7::TTd7Collections& dumps = m_main.Dumps();

    m_lbPatch->OnDrawItem = [this](TOwnerDrawList*, int p, QPainter& painter, const QRect& rect,
                                   bool selected) {
        const TPatchLine line =
            PatchLineText(p, m_main.Present().PatchPresent(p), m_main.Dumps().ProgDump.Records(p));
        // Gray on the selection colour cannot be read: a selected line keeps the selection's
        // text colour, and "Empty" says what the gray would.
        if (line.Gray && !selected) painter.setPen(kGrayText);
        DrawLineText(painter, rect, Latin1(line.Text));
    };
    m_lbNotemap->OnDrawItem = [](TOwnerDrawList*, int n, QPainter& painter, const QRect& rect,
                                 bool) { DrawLineText(painter, rect, NotemapListText(n)); };
    m_lbPatch->OnClick = [this](TOwnerDrawList*) { Run([this] { lbPatchClick(); }); };
    m_lbNotemap->OnClick = [this](TOwnerDrawList*) { Run([this] { lbNotemapClick(); }); };

    for (controls::TMidiComboBox* combo : {m_txNoteNr, m_pxNoteNr}) {
        combo->OnDrawItem = [this, &dumps](controls::TMidiComboBox*, int n, QPainter& painter,
                                           const QRect& rect, controls::TDrawItemState) {
            if (NoteComboCorrupted(P(), n, dumps)) painter.setPen(kGrayText);
            DrawComboText(painter, rect, NoteComboText(P(), n, dumps));
        };
        combo->OnClick = [this](controls::TMidiComboBox* sender) {
            Run([this, sender] { xxNoteNrClick(sender); });
        };
    }
    // The performance sounds' boxes are a third of the panel wide: a narrow arrow leaves
    // room for a whole "489: %BknF.O".
    for (const char* name : {"PerfSound1", "PerfSound2", "PerfSound3"})
        Control<controls::TMidiComboBox>(name)->SetNarrowArrow(true);
    for (const char* name : kSoundCombos) {
        auto* combo = Control<controls::TMidiComboBox>(name);
        combo->OnDrawItem = [this, &dumps](controls::TMidiComboBox*, int i, QPainter& painter,
                                           const QRect& rect, controls::TDrawItemState) {
            DrawComboText(
                painter, rect,
                SoundComboText(i, m_main.Present().InstrumentsPresent(), dumps.InstrumentDump));
        };
    }
    // The note combo boxes show the sounds and layer of the entry being edited.
    for (const char* name : {"Sound1", "Sound2", "LayerMode"})
        Control<controls::TMidiComboBox>(name)->OnChange = [this](controls::TMidiComboBox*) {
            RepaintNoteCombos();
        };

    Control<controls::TMidiComboBox>("Effect1Type")->OnChange = [this](controls::TMidiComboBox*) {
        Run([this] { Effect1TypeChange(); });
    };
    Control<controls::TMidiComboBox>("Effect2Type")->OnChange = [this](controls::TMidiComboBox*) {
        Run([this] { Effect2TypeChange(); });
    };
    connect(m_coTrigger, &QComboBox::activated, this,
            [this](int) { Run([this] { coTriggerChange(); }); });
    m_drumKit->OnPadMouseUp = [this](TDrumKit*, int tag) {
        Run([this, tag] { shPadMouseUp(tag); });
    };
    m_edName->OnExit = [this](TPatchNameEdit*) { Run([this] { edNameExit(); }); };
    m_cbRxProgram->OnUserClick = [this](controls::TMidiCheckBox*) {
        Run([this] { cbRxProgramClick(); });
    };
    // The number can be stepped exactly while the program change is on, also when the box
    // shows a patch just selected or received.
    connect(m_cbRxProgram, &QCheckBox::stateChanged, this,
            [this](int state) { m_udProgram->setEnabled(state == Qt::Checked); });
    connect(m_btnSound1, &QPushButton::clicked, this,
            [this] { Run([this] { btnSound1Click(); }); });
    connect(m_btnSound2, &QPushButton::clicked, this,
            [this] { Run([this] { btnSound2Click(); }); });
}

void TPatchEditor::ConnectMenu() {
    MainMenu& menu = m_main.Menu();
    menu.Connect(TCommand::ViewPatchCommon, [this](int) { PatchCommon1Click(); });
    menu.Connect(TCommand::ViewTrigger, [this](int) { TomTrigger1Click(); });
    menu.Connect(TCommand::ViewNotemap, [this](int) { Notemap1Click(); });
    menu.Connect(TCommand::HelpContents, [this](int) { miHelpContentsClick(); });
    m_main.UpdateCommands();
}

void TPatchEditor::AttachToMain() {
    m_main.OnPatchEditingChange = [this](bool on) {
        for (std::string_view name : kEditingPanels) {
            TPatchPanel* panel = Panel(name);
            panel->setEnabled(on);
            panel->SetTextColor(on ? controls::ToQColor(controls::clWindowText) : kGrayText);
        }
        // The effect panels address the shown slot too: with it empty, a turn would write
        // into a record the slot does not hold.
        for (std::string_view name : kEffectPanels) {
            Panel(name)->setEnabled(on);
            Panel(name)->SetTextColor(on ? controls::ToQColor(controls::clWindowText) : kGrayText);
        }
    };
    connect(&m_main, &TfmTamboro::InstrumentRecordChanged, this,
            [this](int i) { InstrumentChanged(i); });
    // The patch list and the sound lists draw from the present states: they follow them.
    m_previousPresentChange = m_main.Present().OnChange;
    m_main.Present().OnChange = [this](td7::TPresentFlags* sender) {
        if (m_previousPresentChange) m_previousPresentChange(sender);
        PresentChanged();
    };
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), &m_main);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] { Run([this] { HelpContext(); }); });
}

void TPatchEditor::Run(const std::function<void()>& action) {
    m_main.Errors().RunCommand(action, &m_main);
}

int TPatchEditor::P() const {
    return m_lbPatch->currentRow();
}

int TPatchEditor::T() const {
    return m_coTrigger->currentIndex();
}

int TPatchEditor::N() const {
    return std::max(m_lbNotemap->currentRow(), 0);
}

void TPatchEditor::RetargetPatchPanels(int p) {
    for (td7::PanelId panel : td7::kPatchPanels) m_controls.Retarget(panel, td7::PatchSelection(p));
    m_controls.Retarget(td7::PanelId::Notemap, td7::NotemapSelection(p, N()));
}

void TPatchEditor::lbPatchClick() {
    ShowSelectedSlot(true);
}

void TPatchEditor::ShowSlotAgain() {
    ShowSelectedSlot(false);
}

void TPatchEditor::ShowSelectedSlot(bool announce) {
    const int p = P();
    if (p < 0) return;
    td7::TPresentFlags& present = m_main.Present();
    RetargetPatchPanels(p);
    m_main.SetCurrentPatch(p);
    if (!present.PatchPresent(p)) {
        SetPatchEditing(false);
        if (OnQueryEmpty && OnQueryEmpty(p) == TEmptySlotAnswer::Cancel) {
            CancelPatchSelection();
            return;
        }
    } else if (!m_main.PatchEditing()) {
        // Editing follows the slot: a present one can be edited, whatever came before.
        SetPatchEditing(true);
    }
    ShowPatchName();
    m_main.Dumps().ProgDump.SetIndex(p);
    coTriggerChange();
    lbNotemapClick();
    m_lbNotemap->viewport()->update();
    RepaintNoteCombos();
    // An empty slot has no program number of its own to announce.
    if (announce && m_cbRxProgram->checkState() == Qt::Checked && m_main.MidiOutput1().IsOpen() &&
        present.PatchPresent(p))
        m_main.MidiCompLink1().SendCommand(kProgramChange, m_udProgram->Position() - 1,
                                           midilink::ctNone);
    Effect1TypeChange();
    Effect2TypeChange();
    UpdateMoveMenus(p);
}

void TPatchEditor::CancelPatchSelection() {
    // Back on the patch being edited, with its addressing and its editing state, so that
    // every edit still addresses the record it writes.
    const int q = m_main.Dumps().ProgDump.Index();
    m_lbPatch->SelectSilently(q);
    RetargetPatchPanels(q);
    m_main.SetCurrentPatch(q);
    SetPatchEditing(m_main.Present().PatchPresent(q));
}

void TPatchEditor::UpdateMoveMenus(int p) {
    MainMenu& menu = m_main.Menu();
    for (TCommand command : {TCommand::PatchMoveTo, TCommand::PatchExchangeWith})
        for (int k = 1; k <= td7::kPatchCount; ++k)
            if (QAction* entry = menu.NumberedAction(command, k)) entry->setEnabled(k != p + 1);
}

void TPatchEditor::SetTriggerDefaults(int t) {
    const TTriggerDefaults& defaults = TriggerDefaults(t);
    m_controls.Control("txMaxDyna")->MidiCom().SetDefault(defaults.MaxDyna);
    m_controls.Control("txMaskTime")->MidiCom().SetDefault(defaults.MaskTime);
    m_controls.Control("txVelCurve")->MidiCom().SetDefault(defaults.VelCurve);
    m_controls.Control("txChoke")->MidiCom().SetDefault(defaults.Choke);
}

void TPatchEditor::coTriggerChange() {
    const int t = T();
    const int p = P();
    if (t < 0 || p < 0) return;
    if (t > td7::kHihatPedalEntry - 1) {
        // The pedal lives in the patch common block: the trigger record and the trigger
        // templates stay as they were.
        if (m_pxNoteNr->currentIndex() >= 0)
            m_lbNotemap->SelectSilently(m_pxNoteNr->currentIndex());
        Panel("gbHihatPedal")->show();
        Panel("gbTrigger")->hide();
    } else {
        SetTriggerDefaults(t);
        m_main.Dumps().TriggerDump.SetIndex(td7::TriggerRecord(p, t));
        m_controls.Retarget(td7::PanelId::Trigger, td7::TriggerSelection(p, t));
        if (m_txNoteNr->currentIndex() >= 0)
            m_lbNotemap->SelectSilently(m_txNoteNr->currentIndex());
        Panel("gbTrigger")->show();
        Panel("gbHihatPedal")->hide();
    }
    lbNotemapClick();
    m_drumKit->Highlight(t);
    if (m_padHits) m_padHits->SelectionChanged();
}

void TPatchEditor::lbNotemapClick() {
    const int p = P();
    if (p < 0) return;
    m_main.Dumps().NotemapDump.SetIndex(td7::NotemapRecord(p, N()));
    m_controls.Retarget(td7::PanelId::Notemap, td7::NotemapSelection(p, N()));
}

void TPatchEditor::xxNoteNrClick(controls::TMidiComboBox* sender) {
    if (sender->currentIndex() < 0) return;
    m_lbNotemap->SelectSilently(sender->currentIndex());
    lbNotemapClick();
}

void TPatchEditor::Effect1TypeChange() {
    const int page = Control<controls::TMidiComboBox>("Effect1Type")->currentIndex();
    if (page >= 0) m_effect1Notebook->setCurrentIndex(page);
}

void TPatchEditor::Effect2TypeChange() {
    const int page = Control<controls::TMidiComboBox>("Effect2Type")->currentIndex();
    if (page >= 0) m_effect2Notebook->setCurrentIndex(page);
}

void TPatchEditor::SetPatchEditing(bool on) {
    m_main.SetPatchEditing(on);
}

void TPatchEditor::ShowPatchName() {
    const int p = P();
    if (p < 0) return;
    if (m_main.Present().PatchPresent(p))
        m_edName->setText(Latin1(td7::PatchName(m_main.Dumps().ProgDump.Records(p))));
    else
        m_edName->setText(QString::fromLatin1(td7::kEmptyPatchName));
}

void TPatchEditor::RefreshPatchLine(int p) {
    m_lbPatch->RepaintLine(p);
}

void TPatchEditor::PatchArrived(int p) {
    RefreshPatchLine(p);
    if (p != P()) return;
    ShowPatchName();
    Effect1TypeChange();
    Effect2TypeChange();
    RepaintNoteCombos();
}

void TPatchEditor::SelectPad(int tag) {
    m_drumKit->Highlight(tag);
    if (tag != T()) {
        m_coTrigger->setCurrentIndex(tag);
        coTriggerChange();
    }
}

void TPatchEditor::shPadMouseUp(int tag) {
    SelectPad(tag);
    controls::TMidiComboBox* note = T() > td7::kHihatPedalEntry - 1 ? m_pxNoteNr : m_txNoteNr;
    if (note->currentIndex() < 0) return;
    m_main.MidiCompLink1().SendCommand(kAuditionNote, note->currentIndex() + td7::kFirstNote,
                                       midilink::ctNone);
}

void TPatchEditor::edNameExit() {
    midilink::TDumpCollection& prog = m_main.Dumps().ProgDump;
    // An empty slot has no name to edit (the field shows "Empty " while editing is off).
    if (!m_main.PatchEditing() || !m_main.Present().PatchPresent(prog.Index())) return;
    const std::string name = NameToStore(m_edName->text());
    m_edName->setText(Latin1(name));
    const int p = prog.Index();
    int changed = 0;
    m_main.History().RecordName(
        "Patch Name", {td7::Block::Prog, p, td7::PanelId::PatchCommon}, kPatchNameAt, kPatchNameLength,
        [p](int position, std::uint8_t) { return PatchNameMessage(p, position); },
        [&] { changed = CommitPatchName(name, prog, m_main.MidiCompLink1()); });
    if (changed > 0) RefreshPatchLine(p);
}

void TPatchEditor::cbRxProgramClick() {
    if (m_cbRxProgram->checkState() == Qt::Checked) {
        // The field may still show the 128 of the unticked box: the number to announce is
        // the one the patch holds, so it is shown again before it is stored and sent.
        m_udProgram->MidiCom().UpdateFromDump();
        m_udProgram->ValueToBinding();
    } else
        m_udProgram->SetPosition(128);  // shown only: nothing stored or sent
}

void TPatchEditor::SoundButtonClick(const char* combo) {
    const int i = Control<controls::TMidiComboBox>(combo)->currentIndex();
    if (i >= 0 && OnShowInstrument) OnShowInstrument(i);
}

void TPatchEditor::btnSound1Click() {
    SoundButtonClick("Sound1");
}

void TPatchEditor::btnSound2Click() {
    SoundButtonClick("Sound2");
}

void TPatchEditor::PatchCommon1Click() {
    m_viewer.ShowRecord(m_main.Dumps().ProgDump.Current());
}

void TPatchEditor::TomTrigger1Click() {
    const int t = T();
    if (t > td7::kHihatPedalEntry - 1) throw PatchEditorError("Please select a trigger");
    m_viewer.ShowRecord(m_main.Dumps().TriggerDump.Records(td7::TriggerRecord(P(), t)));
}

void TPatchEditor::Notemap1Click() {
    midilink::TDumpCollection& notemap = m_main.Dumps().NotemapDump;
    notemap.SetIndex(td7::NotemapRecord(P(), N()));
    notemap.PrepareCurrent();
    m_viewer.ShowRecord(notemap.Current());
}

THelpWindow& TPatchEditor::Help() {
    if (!m_help) m_help = std::make_unique<THelpWindow>(m_main.HelpDir());
    return *m_help;
}

void TPatchEditor::miHelpContentsClick() {
    Help().ShowContents();
}

void TPatchEditor::HelpContext() {
    Help().ShowContext(kHelpMainWindow);
}

void TPatchEditor::PresentChanged() {
    m_lbPatch->viewport()->update();
    for (const char* name : kSoundCombos) Control<QWidget>(name)->update();
    RepaintNoteCombos();
    const bool instruments = m_main.Present().InstrumentsPresent();
    m_btnSound1->setEnabled(instruments);
    m_btnSound2->setEnabled(instruments);
}

void TPatchEditor::InstrumentChanged(int i) {
    // -1: several or all records changed at once (a received block, a loaded file).
    if (i < 0) {
        for (const char* name : kSoundCombos) Control<QWidget>(name)->update();
        RepaintNoteCombos();
        return;
    }
    for (const char* name : kSoundCombos) {
        auto* combo = Control<controls::TMidiComboBox>(name);
        if (combo->currentIndex() == i) combo->update();
    }
    if (Control<QComboBox>("Sound1")->currentIndex() == i ||
        Control<QComboBox>("Sound2")->currentIndex() == i)
        RepaintNoteCombos();
}

void TPatchEditor::RepaintNoteCombos() {
    m_txNoteNr->update();
    m_pxNoteNr->update();
}

}  // namespace editor
