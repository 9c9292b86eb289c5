#include "td7/session/Session.h"

#include <exception>
#include <utility>

#include "midilink/DeviceIds.h"
#include "td7/session/PortSetup.h"

namespace td7 {

TSession::TSession(midiports::MidiService& service, midiports::PortWindow& inputWindow,
                   midiports::PortWindow& outputWindow, TTransferWait& wait, TTransferTiming timing)
    : m_input(service, inputWindow),
      m_output(service, outputWindow),
      m_dumps(
          &m_link,
          [this](midilink::TDumpCollection* sender, int index) {
              if (OnDumpChange) OnDumpChange(sender, index);
          },
          [this](midilink::TDumpCollection* sender, int index) {
              if (OnInstrumentChange) OnInstrumentChange(sender, index);
          }),
      m_transfers(m_dumps, m_present, m_link, wait, timing),
      m_portWatch(service, m_input, m_output),
      m_wait(wait) {
    m_transfers.Devices = [this] {
        const auto now = m_wait.Now();
        if (!m_lastPortPoll || now - *m_lastPortPoll >= kPortPollGap) {
            m_lastPortPoll = now;
            // Reopening waits for the transfer's end: ports must not change under it.
            m_portWatch.Poll(false);
        }
        return TDeviceState{m_input.IsOpen(), !m_portWatch.Output().Gone, m_portWatch.GoneText()};
    };
    m_input.SetSysexBufferSize(4096);
    m_input.SetSysexOnly(true);
    m_output.Onmidioutput = [this](midiports::TMidiOutput*) {
        if (OnOutputDone) OnOutputDone();
    };
    m_link.SetMidiOut(&m_output);
    m_link.SetMidiIn(&m_input);
    m_link.OnSysexOut = [this](midilink::TMidiCompLink*, const std::uint8_t* data, int size) {
        if (size > 0) m_loopWatch.Sent(data, static_cast<std::size_t>(size));
    };
    m_link.OnSysexIn = [this](midilink::TMidiCompLink*, const std::uint8_t* data, int size) {
        m_transfers.CaptureSysex(data, size);
        m_offered = data;
        m_offeredLength = size;
        if (m_loopWatch.Received(data, static_cast<std::size_t>(size)) && OnPortLoop) OnPortLoop();
    };
    m_link.OnShortIn = [this](midilink::TMidiCompLink*, std::uint8_t status, std::uint8_t data1,
                              std::uint8_t data2, std::chrono::steady_clock::time_point delivered) {
        // Notes already in the ring when the option went off are no longer wanted.
        if (FollowPadHits() && m_padHits.Read(status, data1, data2, delivered) && OnPadHit)
            OnPadHit();
        if (CheckingTriggers() && m_checkedHits.Read(status, data1, data2, delivered) &&
            OnCheckedHit)
            OnCheckedHit();
    };
    m_link.OnMidiInput = [this](midilink::TMidiCompLink*, bool resolved) {
        const std::uint8_t* offered = std::exchange(m_offered, nullptr);
        if (resolved && offered && OnSysexStored) OnSysexStored(offered, m_offeredLength);
        m_transfers.HandleMidiInput(resolved);
        if (OnMidiInput) OnMidiInput(resolved);
    };
}

TSession::~TSession() {
    // Nothing may report into a half-destroyed session: the input stops before the link and
    // the collections go. A port that will not stop or close is released by its destructor.
    OnMidiInput = nullptr;
    OnSysexStored = nullptr;
    OnOutputDone = nullptr;
    OnPortLoop = nullptr;
    OnPadHit = nullptr;
    OnCheckedHit = nullptr;
    OnDumpChange = nullptr;
    OnInstrumentChange = nullptr;
    try {
        m_input.Stop();
        m_input.Close();
    } catch (const std::exception&) {
    }
    try {
        m_output.Close();
    } catch (const std::exception&) {
    }
}

void TSession::SetFollowPadHits(bool on) {
    // Takes effect for the next message, also while the port is open.
    m_followPadHits = on;
    m_input.SetSysexOnly(!m_followPadHits && !m_checkingTriggers);
    if (!on) (void)m_padHits.Take();
}

void TSession::SetCheckingTriggers(bool on) {
    m_checkingTriggers = on;
    m_input.SetSysexOnly(!m_followPadHits && !m_checkingTriggers);
    if (!on) (void)m_checkedHits.Take();
}

int TSession::DeviceId() {
    return midilink::GetDeviceId(0);
}

void TSession::SetDeviceId(int id) {
    midilink::SetDeviceId(0, id);
}

std::optional<std::string> TSession::OpenInput(int setting) {
    return OpenInputFromSetting(m_input, setting);
}

std::optional<std::string> TSession::OpenOutput(int setting) {
    return OpenOutputFromSetting(m_output, setting);
}

bool TSession::AnyModified() {
    for (Block block : kAllBlocks)
        if (m_dumps.Of(block).Modified()) return true;
    return false;
}

}  // namespace td7
