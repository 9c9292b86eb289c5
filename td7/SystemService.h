#pragma once

#include <functional>
#include <memory>
#include <string>

#include "midiports/MidiService.h"

namespace td7 {

// The programs' service: the system's devices through RtMidi, then the virtual TD-7.
// `notice` is told once, in one line, when the system has no MIDI service at all.
std::unique_ptr<midiports::MidiService> MakeSystemService(
    std::function<void(const std::string& line)> notice = {});

}  // namespace td7
