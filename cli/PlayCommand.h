#pragma once

// "play" and "grooves": a groove or a velocity run through the notes of a patch, or the drum
// notes of a MIDI file, sent to the module on channel 10 from a thread of their own; Ctrl+C
// stops at once and releases every note still sounding.

#include <iosfwd>

#include "cli/Arguments.h"
#include "cli/Dispatcher.h"

namespace midiports {
class MidiService;
}

namespace cli {

// The grooves one a line: its name for --groove, two blanks, its title, bars and steps. A
// file that cannot be read is named on `err` and left out.
void ListGrooves(const TEnvironment& environment, std::ostream& out, std::ostream& err);

void Play(const TArguments& args, midiports::MidiService& service, const TEnvironment& environment,
          std::ostream& err);

}  // namespace cli
