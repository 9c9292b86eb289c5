#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MidiService.h"

namespace midiports {

// "Unknown TAMBORO_MIDI_API ..." when the variable names a service other than "alsa" or
// "jack"; empty when it is unset, empty or known.
std::string UnknownMidiApiText();

// The system's MIDI service through RtMidi: the ALSA sequencer, or JACK where ALSA is not
// available, or the one named by TAMBORO_MIDI_API ("alsa" or "jack"). Output device -1 is
// a virtual port named "Tamboro" that the user connects with the system's patchbay.
// Product names are port names without the client:port numbers, which change whenever a
// device is plugged in again. On JACK an input device is a client of our own (JackInput.h),
// which stamps each note at its frame.
class RtMidiService : public MidiService {
  public:
    // Told once, in one line, when TAMBORO_MIDI_API names no known service (both are
    // tried then) and when no MIDI service can be reached (the libraries' own
    // messages are kept off standard error, see midisystem/ServiceLogMessages.h).
    using Notice = std::function<void(const std::string& line)>;

    // clientName prefixes the client of every port this service opens.
    explicit RtMidiService(std::string clientName = "Tamboro", Notice notice = {});
    ~RtMidiService() override;

    bool Available() const;  // false when no MIDI service could be reached at all
    std::string ApiName() const;

    int InDeviceCount() override;
    MidiResult InProductName(int id, std::string& name) override;
    MidiResult InOpen(MidiDevice** handle, int id, MidiCallback callback, void* instance) override;
    MidiResult InClose(MidiDevice* handle) override;

    int OutDeviceCount() override;
    MidiResult OutProductName(int id, std::string& name) override;
    MidiResult OutOpen(MidiDevice** handle, int id, MidiCallback callback, void* instance) override;
    MidiResult OutClose(MidiDevice* handle) override;

    // "Name 20:0" -> "Name"; names without the numbers stay as they are.
    static std::string ProductName(const std::string& portName);

  private:
    void Connect();

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace midiports
