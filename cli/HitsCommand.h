#pragma once

// "hits": the trigger check without the window. Records the pads' notes until the time is
// up or Ctrl+C, then reports per pad and suggests which parameter to turn.

#include <iosfwd>
#include <string>

#include "cli/Arguments.h"
#include "cli/Dispatcher.h"

namespace midiports {
class MidiService;
}

namespace td7 {
class TTriggerCheck;
}

namespace cli {

void RecordHits(const TArguments& args, midiports::MidiService& service,
                const TEnvironment& environment, std::ostream& out, std::ostream& err);

// The report: one line per pad that sent notes, then the suggestions.
std::string HitsReport(const td7::TTriggerCheck& check, const std::string& suggestions);

}  // namespace cli
