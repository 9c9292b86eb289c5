#include "editor/transport/GrooveTransport.h"

#include <QAction>
#include <QActionGroup>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <string>
#include <utility>

#include "editor/shell/MainMenu.h"
#include "editor/shell/MainWindow.h"
#include "editor/shell/StatusLine.h"
#include "midiports/MidiOutput.h"
#include "td7/audition/KitNotes.h"
#include "td7/audition/Schedule.h"
#include "td7/map/PresentFlags.h"

namespace editor {

namespace {

// How often the GUI looks whether the player has ended by itself; only for the entry's text.
constexpr int kFollowMs = 200;
// The first note waits for the port as the command line's does, so that it keeps its place.
constexpr auto kLeadIn = std::chrono::milliseconds(50);

const QString kPlayText = QStringLiteral("&Play Groove");
const QString kStopText = QStringLiteral("&Stop");
const QString kStoppedText = QStringLiteral("Stopped playing for the transfer");

// F1 in an open menu reaches no shortcut: the menu itself is watched for it.
class THelpKey : public QObject {
  public:
    THelpKey(QObject* parent, std::function<void()> show)
        : QObject(parent), m_show(std::move(show)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 || !m_show)
            return QObject::eventFilter(watched, event);
        m_show();
        return true;
    }

  private:
    std::function<void()> m_show;
};

}  // namespace

TGrooveTransport::TGrooveTransport(TfmTamboro& main,
                                   std::vector<std::filesystem::path> grooveFolders,
                                   const std::vector<QWidget*>& others)
    : m_main(main),
      m_grooves(td7::LoadGrooves(grooveFolders)),
      // The port sends one whole message at a time, whichever thread calls it.
      m_player([&output = main.MidiOutput1()](std::uint8_t status, std::uint8_t note,
                                              std::uint8_t velocity) {
          output.SendShort(status, note, velocity);
      }) {
    // Rock is the groove most kits are tried with.
    for (std::size_t g = 0; g < m_grooves.Grooves.size(); ++g)
        if (m_grooves.Grooves[g].Id == "rock") m_groove = static_cast<int>(g);
    MainMenu& menu = m_main.Menu();
    menu.Connect(TCommand::PlayGroove, [this](int) { PlayStop(); });
    menu.Connect(TCommand::PlayTempo, [this](int) {
        bool ok = false;
        const int bpm = QInputDialog::getInt(
            &m_main, QStringLiteral("Tempo"),
            QStringLiteral("Beats per minute (%1..%2):").arg(td7::kMinBpm).arg(td7::kMaxBpm), m_bpm,
            td7::kMinBpm, td7::kMaxBpm, 1, &ok);
        if (ok) SetBpm(bpm);
    });
    menu.Connect(TCommand::PlayLoop,
                 [this, &menu](int) { SetLoop(menu.Action(TCommand::PlayLoop)->isChecked()); });
    menu.Connect(TCommand::VelocityRun, [this](int) {
        if (SelectedTrigger) VelocityRun(SelectedTrigger());
    });
    if (QAction* loop = menu.Action(TCommand::PlayLoop)) loop->setChecked(m_loop);
    if (QAction* play = menu.Action(TCommand::PlayGroove)) {
        // Play/Stop is heard from every editing window, as Undo is.
        for (QWidget* window : others) window->addAction(play);
        if (auto* parent = qobject_cast<QMenu*>(play->parent())) {
            BuildGrooveMenu(*parent);
            m_helpKey = new THelpKey(parent, [this] {
                if (ShowHelp) ShowHelp();
            });
            parent->installEventFilter(m_helpKey);
        }
    }
    m_follow = new QTimer(&m_main);
    m_follow->setInterval(kFollowMs);
    QObject::connect(m_follow, &QTimer::timeout, &m_main, [this] { Follow(); });
    m_main.UpdateCommands();
}

TGrooveTransport::~TGrooveTransport() {
    m_player.Stop();
    // The main window outlives this: what it holds of it goes first.
    delete m_follow;
    delete m_helpKey;
}

void TGrooveTransport::BuildGrooveMenu(QMenu& play) {
    QMenu* sub = new QMenu(QStringLiteral("&Groove"), &play);
    sub->setObjectName(QStringLiteral("miGroove"));
    sub->menuAction()->setObjectName(QStringLiteral("miGroove"));
    m_grooveChoices = new QActionGroup(sub);
    for (std::size_t g = 0; g < m_grooves.Grooves.size(); ++g) {
        QAction* a = sub->addAction(QString::fromStdString(m_grooves.Grooves[g].Name));
        a->setCheckable(true);
        a->setChecked(static_cast<int>(g) == m_groove);
        m_grooveChoices->addAction(a);
        QObject::connect(a, &QAction::triggered, sub,
                         [this, g] { SelectGroove(static_cast<int>(g)); });
    }
    sub->setEnabled(!m_grooves.Grooves.empty());
    const QList<QAction*> entries = play.actions();
    play.insertMenu(entries.size() > 1 ? entries[1] : nullptr, sub);
}

void TGrooveTransport::SelectGroove(int index) {
    if (index < 0 || index >= static_cast<int>(m_grooves.Grooves.size())) return;
    m_groove = index;
    if (m_grooveChoices && index < m_grooveChoices->actions().size())
        m_grooveChoices->actions()[index]->setChecked(true);
}

void TGrooveTransport::SetBpm(int bpm) {
    m_bpm = std::clamp(bpm, td7::kMinBpm, td7::kMaxBpm);
}

void TGrooveTransport::PlayStop() {
    if (m_player.Playing())
        Stop();
    else
        Play();
}

void TGrooveTransport::Play() {
    const int p = m_main.CurrentPatch();
    if (m_grooves.Grooves.empty()) {
        m_main.Status().SetResult(QStringLiteral("No grooves found"));
        return;
    }
    if (!m_main.Present().PatchPresent(p)) {
        m_main.Status().SetResult(QStringLiteral("Patch %1 is empty: nothing to play").arg(p + 1));
        return;
    }
    const td7::TGroove& groove = m_grooves.Grooves[static_cast<std::size_t>(m_groove)];
    const td7::TKitNotes kit = td7::KitNotesOfPatch(m_main.Dumps(), m_main.Present(), p);
    const bool noteOffs = td7::ReceivesNoteOffs(m_main.Dumps(), m_main.Present());
    QString text =
        QStringLiteral("Playing %1 at %2 BPM").arg(QString::fromStdString(groove.Name)).arg(m_bpm);
    std::string missing;
    for (const std::string& role : td7::MissingRoles(groove, kit))
        missing += (missing.empty() ? "" : ", ") + role;
    if (!missing.empty())
        text +=
            QStringLiteral("; left out, no trigger plays them: ") + QString::fromStdString(missing);
    Start(std::make_shared<td7::TGrooveSchedule>(groove, kit, td7::TTempo{m_bpm, td7::kStraight},
                                                 m_loop ? 0 : 1, noteOffs),
          noteOffs);
    m_main.Status().SetResult(text);
}

void TGrooveTransport::VelocityRun(int trigger) {
    const int p = m_main.CurrentPatch();
    if (!m_main.Present().PatchPresent(p)) {
        m_main.Status().SetResult(QStringLiteral("Patch %1 is empty: nothing to play").arg(p + 1));
        return;
    }
    const td7::TKitNotes kit = td7::KitNotesOfPatch(m_main.Dumps(), m_main.Present(), p);
    for (int r = 0; r < td7::kRoleCount; ++r) {
        const auto role = static_cast<td7::Role>(r);
        const std::optional<td7::TRoleNote>& note = kit[static_cast<std::size_t>(r)];
        if (td7::TriggerOfRole(role) != trigger || !note) continue;
        const bool noteOffs = td7::ReceivesNoteOffs(m_main.Dumps(), m_main.Present());
        Start(std::make_shared<td7::TVelocityRun>(*note, 1, 127, td7::TVelocityRun::kDefaultCount,
                                                  m_bpm, noteOffs),
              noteOffs);
        m_main.Status().SetResult(
            QStringLiteral("A velocity run 1 to 127 on note %1").arg(note->Note));
        return;
    }
    m_main.Status().SetResult(QStringLiteral("No groove role is played on the selected trigger"));
}

void TGrooveTransport::Start(std::shared_ptr<const td7::TSchedule> schedule, bool noteOffs) {
    m_player.Play(std::move(schedule), noteOffs, td7::TPlayer::Clock::now() + kLeadIn);
    if (QAction* play = m_main.Menu().Action(TCommand::PlayGroove)) play->setText(kStopText);
    if (m_follow) m_follow->start();
}

void TGrooveTransport::Stop() {
    m_player.Stop();
    Follow();
}

void TGrooveTransport::StopForTransfer() {
    if (!m_player.Playing()) return;
    Stop();
    m_stoppedForTransfer = true;
    m_main.Status().SetResult(kStoppedText);
}

void TGrooveTransport::AfterTransfer() {
    if (!std::exchange(m_stoppedForTransfer, false)) return;
    const QString shown = m_main.Status().Text();
    if (!shown.contains(kStoppedText))
        m_main.Status().SetResult(shown.isEmpty() ? kStoppedText
                                                  : shown + QStringLiteral("; ") + kStoppedText);
}

void TGrooveTransport::Follow() {
    if (m_player.Playing()) return;
    if (m_follow) m_follow->stop();
    if (QAction* play = m_main.Menu().Action(TCommand::PlayGroove)) play->setText(kPlayText);
    const std::string failure = m_player.Failure();
    if (!failure.empty())
        m_main.Status().SetResult(QStringLiteral("Playing stopped: ") +
                                  QString::fromStdString(failure));
}

}  // namespace editor
