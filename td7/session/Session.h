#pragma once

// The module's mirror and what keeps it in step with the module, without any window: the
// two ports, the port link, the five collections, the present flags, the transfer sequencer,
// the port-loop watch and the device ID. The editor's main window and the command line both
// build on it; they bring the port windows (how MIDI news reaches their thread) and the wait
// (how a transfer sleeps), and hook their own reactions onto its events.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "midilink/DumpCollection.h"
#include "midilink/MidiCompLink.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "td7/session/LoopDetector.h"
#include "td7/triggers/PadHits.h"
#include "td7/session/PortWatch.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/Transfers.h"

namespace midiports {
class MidiService;
class PortWindow;
}  // namespace midiports

namespace td7 {

class TSession {
  public:
    // The port windows and the wait must outlive the session.
    TSession(midiports::MidiService& service, midiports::PortWindow& inputWindow,
             midiports::PortWindow& outputWindow, TTransferWait& wait, TTransferTiming timing = {});
    ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    midiports::TMidiInput& Input() { return m_input; }
    midiports::TMidiOutput& Output() { return m_output; }
    midilink::TMidiCompLink& Link() { return m_link; }
    TTd7Collections& Dumps() { return m_dumps; }
    TPresentFlags& Present() { return m_present; }
    TTransfers& Transfers() { return m_transfers; }
    // Watches the link for the session's own messages coming back (ports in a loop).
    TLoopDetector& LoopWatch() { return m_loopWatch; }
    // Watches the system's lists for the chosen devices going and coming back. The
    // transfers ask it (at most every kPortPollGap) before each record they send and when
    // an answer did not come, so a transfer into a vanished device stops saying so.
    TPortWatch& PortWatch() { return m_portWatch; }
    static constexpr std::chrono::milliseconds kPortPollGap{250};

    // Follow pad hits: the input passes short messages too, and note-ons on the trigger
    // transmit channel are kept as hits. Off (the start), the input takes system-exclusive
    // messages only.
    bool FollowPadHits() const { return m_followPadHits; }
    void SetFollowPadHits(bool on);
    TPadHitReader& PadHits() { return m_padHits; }
    // Checking triggers: the same hits, time-stamped, kept apart for the trigger check so
    // that it and Follow Pad Hits each take all of them. The input passes short messages
    // while either is on.
    bool CheckingTriggers() const { return m_checkingTriggers; }
    void SetCheckingTriggers(bool on);
    TPadHitReader& CheckedHits() { return m_checkedHits; }

    // The module's device ID as the messages carry it (0..31; the factory's is 16).
    static int DeviceId();
    static void SetDeviceId(int id);

    // Opens (and starts) the device with the device window's number; the "not available"
    // text when it cannot be chosen or started. A device that exists but will not open
    // leaves the port closed without a text: IsOpen tells.
    std::optional<std::string> OpenInput(int setting);
    std::optional<std::string> OpenOutput(int setting);

    // True while any of the five collections holds edits not yet saved.
    bool AnyModified();

    // Events for the program on top; each may be left unset.
    // A message came in (after the transfers saw it); `resolved`: a record stored it.
    std::function<void(bool resolved)> OnMidiInput;
    // A received system-exclusive message that a record of the mirror stored (before
    // OnMidiInput reports it).
    std::function<void(const std::uint8_t* message, int length)> OnSysexStored;
    // The output finished a block handed to it.
    std::function<void()> OnOutputDone;
    // One of the session's own messages came back on the input.
    std::function<void()> OnPortLoop;
    // A pad hit is waiting in PadHits().
    std::function<void()> OnPadHit;
    // A pad hit is waiting in CheckedHits().
    std::function<void()> OnCheckedHit;
    // A record changed: any collection, and the instruments' in particular.
    midilink::TDumpCollection::ChangeEvent OnDumpChange;
    midilink::TDumpCollection::ChangeEvent OnInstrumentChange;

  private:
    midiports::TMidiInput m_input;
    midiports::TMidiOutput m_output;
    midilink::TMidiCompLink m_link;
    TLoopDetector m_loopWatch;
    TTd7Collections m_dumps;
    TPresentFlags m_present;
    TPadHitReader m_padHits{m_dumps, m_present};
    TPadHitReader m_checkedHits{m_dumps, m_present};
    bool m_followPadHits = false;
    bool m_checkingTriggers = false;
    TTransfers m_transfers;
    // The message being offered to the collections, until the link reports it.
    const std::uint8_t* m_offered = nullptr;
    int m_offeredLength = 0;
    TPortWatch m_portWatch;
    TTransferWait& m_wait;
    std::optional<TTransferWait::Clock::time_point> m_lastPortPoll;
};

}  // namespace td7
