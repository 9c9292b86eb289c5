#pragma once

// The system's MIDI libraries print on standard error by themselves: ALSA through its error
// handler, JACK through its error and info functions, at every start on a machine without
// a MIDI service. Routed here instead, they stay out of the programs' output; the programs
// say in one line of their own what is missing. TAMBORO_MIDI_DEBUG=1 shows them again,
// marked as the libraries'.

namespace midisystem {

// Installs the handlers, once per process; call before the first call into the libraries.
void RouteServiceLogMessages();

}  // namespace midisystem
