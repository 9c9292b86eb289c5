#pragma once

// The groove transport: plays a groove or a velocity run on the current patch's notes
// through the output port every edit uses. The player runs on a thread of its own and
// touches no Qt object; the GUI only looks at it to show whether it still plays.

#include <QPointer>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "td7/audition/GrooveFolders.h"
#include "td7/audition/Player.h"

class QActionGroup;
class QMenu;
class QTimer;
class QWidget;

namespace editor {

class TfmTamboro;

class TGrooveTransport {
  public:
    // `others`: the secondary windows that take the Play/Stop key too.
    TGrooveTransport(TfmTamboro& main, std::vector<std::filesystem::path> grooveFolders,
                     const std::vector<QWidget*>& others);
    ~TGrooveTransport();
    TGrooveTransport(const TGrooveTransport&) = delete;
    TGrooveTransport& operator=(const TGrooveTransport&) = delete;

    // Play > "Play Groove" / "Stop".
    void PlayStop();
    void Play();
    void Stop();
    // Before a transfer of whole records: nothing of it waits behind a note.
    void StopForTransfer();
    // After it: what it showed, and that the playing was stopped for it.
    void AfterTransfer();
    // Play > "Velocity Run": soft to hard on the selected trigger's note.
    void VelocityRun(int trigger);
    bool Playing() const { return m_player.Playing(); }

    const td7::TGrooveList& Grooves() const { return m_grooves; }
    void SelectGroove(int index);
    int Bpm() const { return m_bpm; }
    void SetBpm(int bpm);
    void SetLoop(bool loop) { m_loop = loop; }
    td7::TPlayer& Player() { return m_player; }

    // The trigger selected on the patch window, for the velocity run.
    std::function<int()> SelectedTrigger;
    // F1 while the Play menu is open: the help's page on playing.
    std::function<void()> ShowHelp;

  private:
    void Start(std::shared_ptr<const td7::TSchedule> schedule, bool noteOffs);
    void Follow();  // the entry's text, and a failure, once the player has ended
    void BuildGrooveMenu(QMenu& play);

    TfmTamboro& m_main;
    td7::TGrooveList m_grooves;
    int m_groove = 0;
    int m_bpm = 120;
    bool m_loop = true;
    bool m_stoppedForTransfer = false;
    td7::TPlayer m_player;
    QPointer<QTimer> m_follow;
    QPointer<QObject> m_helpKey;  // on the Play menu, which outlives this
    QPointer<QActionGroup> m_grooveChoices;
};

}  // namespace editor
