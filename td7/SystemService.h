#pragma once

#include <memory>

#include "midiports/MidiService.h"

namespace app {

// The programs' service: the system's devices through RtMidi, then the virtual TD-7.
std::unique_ptr<midiports::MidiService> MakeSystemService();

}  // namespace app
