#include "editor/shell/MainWindow.h"

#include <QAction>

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLayout>
#include <QMenu>
#include <QStatusTipEvent>
#include <QTimer>

#include "controls/Colors.h"
#include "editor/shell/AboutWindow.h"
#include "editor/shell/AppIcon.h"
#include "editor/shell/Caption.h"
#include "editor/devices/DevicesWindow.h"
#include "editor/files/FileDialogs.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/common/EventWait.h"
#include "editor/shell/MainMenu.h"
#include "editor/common/MessageBoxes.h"
#include "editor/common/ScreenCenter.h"
#include "editor/shell/StatusLine.h"
#include "midiports/QtPortWindow.h"
#include "td7/session/DeviceMemory.h"
#include "td7/history/EditHistory.h"
#include "td7/session/PortSetup.h"

namespace editor {

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kGray = 0x808080;

QString FromStd(const std::string& text) {
    return QString::fromLocal8Bit(text.c_str());
}

}  // namespace

TfmTamboro::TfmTamboro(TMainServices services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("fmTamboro"));
    setWindowIcon(ApplicationIcon());
    // Fixed size, system menu and minimize box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    const auto makeWindow = [this]() -> std::unique_ptr<midiports::PortWindow> {
        if (m_services.MakePortWindow) return m_services.MakePortWindow();
        auto window = std::make_unique<midiports::QtPortWindow>();
        window->OnError = [this](const std::exception& e) {
            Boxes().Error(QString::fromLocal8Bit(e.what()), this);
        };
        return window;
    };
    m_inputWindow = makeWindow();
    m_outputWindow = makeWindow();
    if (!m_services.Wait) m_services.Wait = std::make_shared<EventWait>();
    m_session =
        std::make_unique<td7::TSession>(Midi(), *m_inputWindow, *m_outputWindow, *m_services.Wait);
    m_session->OnOutputDone = [this] { ShowActivity(false); };
    m_session->OnPortLoop = [this] { m_status->SetText(QString::fromLatin1(td7::kPortLoopText)); };
    m_session->OnMidiInput = [this](bool) { ShowActivity(true); };
    m_session->OnDumpChange = [this](midilink::TDumpCollection* sender, int index) {
        AnyDumpChange(sender, index);
    };
    m_session->OnInstrumentChange = [this](midilink::TDumpCollection* sender, int index) {
        InstrumentDumpChange(sender, index);
    };
    m_history = std::make_unique<td7::TEditHistory>(Dumps(), Present(), MidiCompLink1());
    m_history->OnChange = [this] { UpdateCommands(); };
    m_history->OutputOpen = [this] { return MidiOutput1().IsOpen(); };
    m_session->OnSysexStored = [this](const std::uint8_t* message, int length) {
        m_history->Stored(message, length);
    };
    Present().OnChange = [this](td7::TPresentFlags*) { UpdateCommands(); };
    Transfers().OnDumpCounted = [this](td7::TTransfers*, int count) {
        m_status->SetText(QStringLiteral("%1 dumps recieved...").arg(count));
    };
    Transfers().OnBusyChange = [this](td7::TTransfers*, bool) { UpdateCommands(); };
    m_session->PortWatch().OnChange = [this](td7::TPortWatch::TChange change) {
        m_status->SetText(FromStd(m_session->PortWatch().ChangeText(change)));
    };

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientFrame"));
    client->setFixedSize(kClientWidth, kClientHeight);
    m_clientArea = new QWidget(client);
    m_clientArea->setObjectName(QStringLiteral("ClientArea"));
    m_clientArea->setGeometry(0, 0, kClientWidth, kClientHeight - StatusLine::kHeight);
    m_status = new StatusLine(client);
    m_status->setGeometry(0, kClientHeight - StatusLine::kHeight, kClientWidth,
                          StatusLine::kHeight);
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    m_menu = new MainMenu(menuBar(), Errors(), this);
    m_menu->OnRun = [this](TCommand) { m_status->ClearResult(); };
    if (auto* edit = qobject_cast<QMenu*>(m_menu->Action(TCommand::Undo)->parent()))
        connect(edit, &QMenu::aboutToShow, this, &TfmTamboro::UpdateEditTexts);

    m_statusTimer = new QTimer(this);
    m_statusTimer->setObjectName(QStringLiteral("StatusTimer"));
    m_statusTimer->setInterval(kStatusTimerInterval);
    connect(m_statusTimer, &QTimer::timeout, this, &TfmTamboro::StatusTimerTimer);
    m_statusTimer->start();
    m_activityTimer = new QTimer(this);
    m_activityTimer->setObjectName(QStringLiteral("ActivityTimer"));
    m_activityTimer->setInterval(kActivityTimerInterval);
    connect(m_activityTimer, &QTimer::timeout, this, &TfmTamboro::ActivityTimerTimer);
    m_portTimer = new QTimer(this);
    m_portTimer->setObjectName(QStringLiteral("PortTimer"));
    m_portTimer->setInterval(kPortTimerInterval);
    connect(m_portTimer, &QTimer::timeout, this, &TfmTamboro::PortTimerTimer);

    ConnectOwnCommands();
    SetBackground(m_background);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    CenterOnScreen(*this);
    UpdateCaption();
    UpdateCommands();
}

TfmTamboro::~TfmTamboro() {
    // The windows the ports post to must outlive the ports.
    m_history.reset();
    m_session.reset();
}

void TfmTamboro::ConnectOwnCommands() {
    m_menu->Connect(TCommand::Exit, [this](int) { close(); });
    m_menu->Connect(TCommand::MidiDevices, [this](int) { SelectDevices(); });
    m_menu->Connect(TCommand::BackgroundBlack, [this](int) { SetBackground(kBlack); });
    m_menu->Connect(TCommand::BackgroundGray, [this](int) { SetBackground(kGray); });
    m_menu->Connect(TCommand::BackgroundSilver,
                    [this](int) { SetBackground(controls::clBtnFace); });
    m_menu->Connect(TCommand::FollowPadHits, [this](int) {
        SetFollowPadHits(m_menu->Action(TCommand::FollowPadHits)->isChecked());
    });
}

void TfmTamboro::SetFollowPadHits(bool on) {
    m_session->SetFollowPadHits(on);
    if (QAction* entry = m_menu->Action(TCommand::FollowPadHits)) entry->setChecked(on);
}

void TfmTamboro::SetSetupFileName(const std::string& name) {
    m_setupFileName = name;
    UpdateCaption();
    // Every setup opened or saved gets here once it succeeded.
    if (!name.empty()) SetRecentSetups(WithRecentSetup(m_recentSetups, name));
}

void TfmTamboro::ForgetRecentSetup(const std::string& name) {
    std::vector<std::string> recent = m_recentSetups;
    recent.erase(std::remove(recent.begin(), recent.end(), name), recent.end());
    SetRecentSetups(std::move(recent));
}

void TfmTamboro::SetRecentSetups(std::vector<std::string> recent) {
    m_recentSetups = std::move(recent);
    QStringList texts;
    for (const std::string& name : m_recentSetups) texts << FromStd(name);
    if (m_menu) m_menu->SetEntryTexts(TCommand::OpenRecent, texts);
}

QString TfmTamboro::HelpDir() const {
    return QFile::decodeName(m_services.ProgramDir.string().c_str());
}

std::filesystem::path TfmTamboro::FileDialogDir() const {
    return FileDialogStartDir(m_lastDir, m_services.ProgramDir);
}

bool TfmTamboro::AnyModified() {
    return m_session->AnyModified();
}

void TfmTamboro::UpdateCaption() {
    setWindowTitle(FromStd(MainCaption(m_setupFileName, m_session && AnyModified())));
}

void TfmTamboro::SetBackground(std::uint32_t color) {
    m_background = color;
    QPalette p = centralWidget()->palette();
    p.setColor(QPalette::Window, BackgroundColor());
    centralWidget()->setPalette(p);
}

QColor TfmTamboro::BackgroundColor() const {
    return controls::ToQColor(m_background);
}

void TfmTamboro::SetCurrentPatch(int p) {
    m_currentPatch = p;
    UpdateCommands();
    emit CurrentPatchChanged(p);
}

void TfmTamboro::SetPatchEditing(bool on) {
    m_patchEditing = on;
    UpdateCommands();
    if (OnPatchEditingChange) OnPatchEditingChange(on);
}

void TfmTamboro::UpdateCommands() {
    if (!m_menu || !m_session) return;
    TCommandState state;
    state.PatchEditing = m_patchEditing;
    state.CurrentPatchPresent = Present().PatchPresent(m_currentPatch);
    state.InstrumentsPresent = Present().InstrumentsPresent();
    state.SystemPresent = Present().SystemPresent();
    state.Busy = Transfers().Busy();
    state.CanUndo = m_history && m_history->CanUndo();
    state.CanRedo = m_history && m_history->CanRedo();
    m_menu->UpdateEnabling(state);
}

// The entries' texts name the steps; they are made when the Edit menu opens.
void TfmTamboro::UpdateEditTexts() {
    const auto show = [this](TCommand command, const char* verb, const std::string& step) {
        if (QAction* entry = m_menu->Action(command))
            entry->setText(step.empty()
                               ? QString::fromLatin1(verb)
                               : QStringLiteral("%1 %2").arg(QLatin1String(verb), FromStd(step)));
    };
    show(TCommand::Undo, "&Undo", m_history->UndoText());
    show(TCommand::Redo, "&Redo", m_history->RedoText());
}

// The history's saved state follows the collections' changed state: when everything is
// unchanged (a setup loaded or saved), this is the state undo clears the "*" at again; a
// change the history did not make (an answer from the module) puts that state out of reach.
void TfmTamboro::MirrorChange(midilink::TDumpCollection* sender) {
    if (!m_history || m_history->Applying()) return;
    if (sender->Modified())
        m_history->ForgetClean();
    else if (!AnyModified())
        m_history->MarkClean();
}

void TfmTamboro::AnyDumpChange(midilink::TDumpCollection* sender, int) {
    MirrorChange(sender);
    UpdateCaption();
    emit DumpRecordChanged();
}

void TfmTamboro::InstrumentDumpChange(midilink::TDumpCollection* sender, int index) {
    MirrorChange(sender);
    emit InstrumentRecordChanged(index);
    UpdateCaption();
}

bool TfmTamboro::event(QEvent* event) {
    // The hint of the control under the mouse goes to the status line.
    if (event->type() == QEvent::StatusTip) {
        m_status->SetText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TfmTamboro::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_firstShowDone) return;
    m_firstShowDone = true;
    FormShow();
}

void TfmTamboro::FormShow() {
    const TSettings settings = LoadSettings(m_services.SettingsFile);
    Errors().RunCommand([&] { td7::TSession::SetDeviceId(settings.DevId); }, this);
    SetBackground(static_cast<std::uint32_t>(settings.Background));
    SetPatchEditing(false);
    m_patchLookup = settings.PatchLookup;
    m_lastDir = settings.LastDir;
    SetRecentSetups(settings.RecentSetups);
    m_verifyTransmissions = settings.VerifyTransmissions;
    SetFastTransfers(settings.FastTransfers);
    if (OnVerifyTransmissionsLoaded) OnVerifyTransmissionsLoaded();
    SetFollowPadHits(settings.FollowPadHits);
    OpenPortsFromSettings(settings);
    m_session->PortWatch().Choose();
    m_portTimer->start();
    LoadStartSetup(settings);
    if (m_splash != nullptr) m_splash->close();
}

void TfmTamboro::OpenPortsFromSettings(const TSettings& settings) {
    // The remembered names find the devices again after their numbers moved.
    const auto input =
        td7::FindRememberedDevice(td7::InputDeviceList(Midi()), settings.MidiInDev, settings.MidiInName);
    if (!input)
        Boxes().Error(QString::fromLatin1(td7::kInputNotAvailable), this);
    else if (auto error = m_session->OpenInput(*input))
        Boxes().Error(FromStd(*error), this);
    const auto output =
        td7::FindRememberedDevice(td7::OutputDeviceList(Midi()), settings.MidiOutDev, settings.MidiOutName);
    if (!output)
        Boxes().Error(QString::fromLatin1(td7::kOutputNotAvailable), this);
    else if (auto error = m_session->OpenOutput(*output))
        Boxes().Error(FromStd(*error), this);
}

void TfmTamboro::LoadStartSetup(const TSettings& settings) {
    std::string chosen = settings.LastSetup;
    if (!m_services.Arguments.isEmpty()) {
        const QString argument = m_services.Arguments.first();
        if (argument.toLower().endsWith(QStringLiteral(".td7"))) {
            if (QFileInfo(argument).isFile())
                chosen = QFileInfo(argument).absoluteFilePath().toLocal8Bit().toStdString();
            else
                Boxes().Error(QStringLiteral("File %1 not found.").arg(argument), this);
        }
    }
    std::error_code ec;
    if (!chosen.empty() && !std::filesystem::is_regular_file(chosen, ec)) chosen.clear();
    // Without a setup reader the name would stand for data that was never loaded, and a
    // save on closing would overwrite the file with an empty setup.
    if (!chosen.empty() && !OnLoadSetup) chosen.clear();
    if (!chosen.empty()) {
        const bool loaded = Errors().RunCommand([&] { OnLoadSetup(chosen); }, this);
        if (!loaded) return;
        for (td7::Block block : td7::kAllBlocks) Dumps().Of(block).SetModified(false);
    }
    SetSetupFileName(chosen);
}

bool TfmTamboro::CloseQuery() {
    if (!AnyModified()) return true;
    switch (Boxes().ConfirmCancel(
        QStringLiteral("The current setup has changed. Do you want to save it?"), this)) {
        case TAnswer::Yes:
            break;
        case TAnswer::No:
            return true;
        case TAnswer::Cancel:
        case TAnswer::Ok:
            return false;
    }
    std::string name = m_setupFileName;
    if (name.empty()) {
        name = AskSetupSaveName ? AskSetupSaveName() : DefaultSaveName();
        if (name.empty()) return false;
    }
    // A failed save keeps the window open, so nothing is lost.
    const bool saved = Errors().RunCommand(
        [&] {
            if (!OnSaveSetup) throw std::runtime_error("Setups cannot be saved in this version");
            OnSaveSetup(name);
        },
        this);
    if (saved) SetSetupFileName(name);
    return saved;
}

std::string TfmTamboro::DefaultSaveName() {
    QFileDialog dialog(this, QStringLiteral("Save TD7 Setup..."),
                       QString::fromStdString(FileDialogDir().string()),
                       QStringLiteral("TD7 Data (*.td7)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("td7"));
    dialog.selectFile(QString());
    FitFileColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toLocal8Bit().toStdString();
}

void TfmTamboro::closeEvent(QCloseEvent* event) {
    // A transfer waits inside the event loop; closing now would pull the window from under it.
    if (Transfers().Busy() || !CloseQuery()) {
        event->ignore();
        return;
    }
    WriteSettings();
    event->accept();
}

TSettings TfmTamboro::CurrentSettings() const {
    TSettings s;
    s.LastSetup = m_setupFileName;
    s.Background = static_cast<int>(m_background);
    s.MidiInDev = td7::InputSetting(m_session->Input());
    s.MidiOutDev = td7::OutputSetting(m_session->Output());
    if (s.MidiInDev > 0) s.MidiInName = m_session->Input().ProductName();
    if (s.MidiOutDev > 0) s.MidiOutName = m_session->Output().ProductName();
    // A device that is away for the moment stays the choice.
    const td7::TPortWatch& watch = m_session->PortWatch();
    if (watch.Input().Gone) {
        s.MidiInDev = watch.Input().Setting;
        s.MidiInName = watch.Input().Name;
    }
    if (watch.Output().Gone) {
        s.MidiOutDev = watch.Output().Setting;
        s.MidiOutName = watch.Output().Name;
    }
    try {
        s.DevId = td7::TSession::DeviceId();
    } catch (const std::exception&) {
        // Never set: the start-up default stands.
    }
    s.PatchLookup = m_patchLookup;
    s.LastDir = m_lastDir;
    s.RecentSetups = m_recentSetups;
    s.VerifyTransmissions = m_verifyTransmissions;
    s.FastTransfers = FastTransfers();
    s.FollowPadHits = m_session->FollowPadHits();
    return s;
}

void TfmTamboro::WriteSettings() {
    Errors().RunCommand([this] { SaveSettings(m_services.SettingsFile, CurrentSettings()); }, this);
}

void TfmTamboro::SelectDevices() {
    if (m_devicesWindow == nullptr) return;
    m_devicesWindow->ReadDeviceLists();
    const TSettings current = CurrentSettings();
    m_devicesWindow->SetInputChoice(current.MidiInDev, current.MidiInName);
    m_devicesWindow->SetOutputChoice(current.MidiOutDev, current.MidiOutName);
    m_devicesWindow->SetDeviceIdField(current.DevId + 1);
    m_devicesWindow->SetColor(BackgroundColor());
    if (m_devicesWindow->exec() != QDialog::Accepted) return;
    // Other ports may be joined differently: the loop warning may be due again.
    LoopWatch().Reset();
    // Whatever the ports end up on, chosen now or kept, is what is watched from now on.
    try {
        td7::ApplyDeviceChoice(MidiInput1(), MidiOutput1(), m_devicesWindow->InputChoice(),
                               m_devicesWindow->OutputChoice(), m_devicesWindow->DeviceIdField());
    } catch (...) {
        m_session->PortWatch().Choose();
        throw;
    }
    m_session->PortWatch().Choose();
}

void TfmTamboro::ShowActivity(bool input) {
    if (input)
        m_status->SetInputActive(true);
    else
        m_status->SetOutputActive(true);
    // Starting a running timer must not push its end further out.
    if (!m_activityTimer->isActive()) m_activityTimer->start();
}

void TfmTamboro::ActivityTimerTimer() {
    m_activityTimer->stop();
    m_status->SetInputActive(false);
    m_status->SetOutputActive(false);
}

void TfmTamboro::StatusTimerTimer() {
    // While a device is away the line keeps saying so.
    if (Transfers().StatusTick())
        m_status->SetText(FromStd(
            m_session->PortWatch().ChangeText(td7::TPortWatch::TChange::Gone)));
}

void TfmTamboro::PortTimerTimer() {
    // Under a transfer a vanished device is noticed, but ports change only after it.
    m_session->PortWatch().Poll(!Transfers().Busy());
}

}  // namespace editor
