#pragma once

// "hits": the trigger check without the window. Records the pads' notes until the time is
// up or Ctrl+C, then reports per pad and suggests which parameter to turn.

#include <array>
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

inline constexpr const char* kCsvExtensionError = "Other extension than \".csv\" not allowed";

// The report: one line per pad that sent notes, then the suggestions. Without a hit, the
// channel that the most `elsewhere` notes came on (note-ons per channel, 1 first) is named.
std::string HitsReport(const td7::TTriggerCheck& check, const std::string& suggestions,
                       const std::array<int, 16>& elsewhere = {});

}  // namespace cli
