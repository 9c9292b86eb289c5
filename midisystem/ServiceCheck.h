#pragma once

// Whether the system's MIDI services answer, asked quietly: RtMidi prints on standard error
// while it is being made, before an error callback can be set, when its API's service is
// missing. The programs ask first and say in one line what is missing.

#include <rtmidi/RtMidi.h>

#include <string>
#include <vector>

namespace midisystem {

// Whether the service of `api` (ALSA's sequencer, a JACK server) can be reached now; a
// JACK client named `clientName` comes and goes. Other APIs are taken to answer.
bool ServiceAnswers(RtMidi::Api api, const std::string& clientName);

// "No MIDI service: ..." naming what none of `apis` found.
std::string MissingServiceText(const std::vector<RtMidi::Api>& apis);

}  // namespace midisystem
