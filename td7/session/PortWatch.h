#pragma once

// The MIDI devices the user chose, watched in the system's lists. A USB interface pulled
// out, or the module's JACK client restarted, takes its ports away without a word to the
// ports opened on them, and every message then goes nowhere. So the lists are looked at
// from time to time: the port of a device that left is closed, and opened again by the
// device's name once it is listed again. Toolkit-free: whoever polls brings the timer.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace midiports {
class MidiService;
class TMidiInput;
class TMidiOutput;
}  // namespace midiports

namespace td7 {

struct TDeviceChoice;

class TPortWatch {
  public:
    enum class TChange { None, Gone, Back };

    // One side's choice: the device window's setting number and the device's name.
    struct TChoice {
        int Setting = 0;  // 0: none chosen, or not watched
        std::string Name;
        bool Gone = false;
    };

    TPortWatch(midiports::MidiService& service, midiports::TMidiInput& input,
               midiports::TMidiOutput& output);
    TPortWatch(const TPortWatch&) = delete;
    TPortWatch& operator=(const TPortWatch&) = delete;

    // The ports as they are open now become the choice (after opening them at start, and
    // after the device window's OK). The output's mapper is this program's own port and is
    // not watched.
    void Choose();

    // Looks at the lists. A chosen device no longer listed, or whose port closed itself,
    // is gone: its port is closed. With `reopen`, a gone device that is listed again is
    // opened by its name. Reports what changed, also through OnChange.
    TChange Poll(bool reopen = true);

    const TChoice& Input() const { return m_input; }
    const TChoice& Output() const { return m_output; }
    bool AnyGone() const { return m_input.Gone || m_output.Gone; }
    // "The MIDI device "X" is gone." (one name for both sides when they share it), or "The
    // MIDI devices "X" and "Y" are gone."; empty when nothing is gone.
    std::string GoneText() const;
    // What the status line says after a change: the gone text and that the device is
    // opened again when it returns, or "The MIDI device "X" is back.", naming those that
    // came back at the last poll.
    std::string ChangeText(TChange change) const;

    std::function<void(TChange change)> OnChange;

  private:
    // What polling one side needs: its device list, its port and how to open it.
    struct TSide {
        std::function<std::vector<TDeviceChoice>()> List;
        std::function<bool()> IsOpen;
        std::function<void()> Close;
        std::function<std::optional<std::string>(int setting)> Open;  // the error, if any
    };
    // Closes a side whose device left the lists, reopens one that is listed again; true
    // when it went.
    bool PollSide(TChoice& choice, const TSide& side, bool reopen);
    void CloseInput();
    void CloseOutput();

    midiports::MidiService& m_service;
    midiports::TMidiInput& m_inputPort;
    midiports::TMidiOutput& m_outputPort;
    TChoice m_input;
    TChoice m_output;
    std::vector<std::string> m_back;  // names that came back at the last poll
};

}  // namespace td7
