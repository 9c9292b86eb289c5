#pragma once

// Follow Pad Hits on the main window: each hit the module reports flashes its pad on the
// drum kit, goes into the velocities kept for its trigger and onto the status line, and
// selects its trigger as a click on the pad would (without the audition note), unless a
// transfer runs or the user is turning a knob or typing. A burst of hits is handled in one
// go once the input has been drained, so the window keeps up with a drum roll.

#include <chrono>

#include <QObject>

#include "td7/triggers/PadHits.h"

namespace editor {

class TPatchEditor;
class TVelocityRow;
class TfmTamboro;

class TPadHitFollower : public QObject {
    Q_OBJECT
  public:
    // Hits are handled at most once a frame of a 60 Hz screen: a roll faster than that is
    // shown a frame's worth at a time.
    static constexpr std::chrono::milliseconds kFrame{16};

    TPadHitFollower(TfmTamboro& main, TPatchEditor& patch);
    ~TPadHitFollower() override;
    TPadHitFollower(const TPadHitFollower&) = delete;
    TPadHitFollower& operator=(const TPadHitFollower&) = delete;

    // Takes the hits waiting in the session and shows them.
    void HandleHits();
    // The selected trigger or patch changed: the row shows that trigger's velocities.
    void SelectionChanged();

    const td7::TVelocityHistory& History() const { return m_history; }
    TVelocityRow* VelocityRow() const { return m_row; }

  private:
    // A knob held with the mouse, a list open, or the keyboard in a text field.
    bool UserBusy() const;

    TfmTamboro& m_main;
    TPatchEditor& m_patch;
    td7::TVelocityHistory m_history;
    TVelocityRow* m_row = nullptr;
    int m_patchShown = -1;  // the patch whose velocities are kept
    bool m_handlingQueued = false;
    std::chrono::steady_clock::time_point m_lastHandled{};
    // A hit of the batch came while a transfer ran or the user was busy: the batch
    // leaves the selection alone, also when it is handled after the transfer.
    bool m_keepSelection = false;
};

}  // namespace editor
