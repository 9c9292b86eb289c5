#pragma once

#include <functional>
#include <memory>
#include <string>

#include "midiports/MidiService.h"
#include "simulator/SimOptions.h"

namespace td7 {

// The programs' service: the system's devices through RtMidi, then the virtual TD-7.
// `notice` is told once, in one line, when the system has no MIDI service at all.
// `virtualModule` sets the virtual TD-7 up as td7sim's options would (default: factory
// content, nothing lost, no hits).
std::unique_ptr<midiports::MidiService> MakeSystemService(
    std::function<void(const std::string& line)> notice = {},
    const simulator::SimOptions& virtualModule = {});

}  // namespace td7
