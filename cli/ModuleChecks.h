#pragma once

// The command line's checked transfers: restore with a read-back (verify, or sending only
// what differs) and "verify", which compares the module with a file and sends nothing.

#include <iosfwd>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Dispatcher.h"
#include "td7/transfers/ReadBack.h"

namespace midiports {
class MidiService;
}

namespace cli {

class TModuleSession;

// After the records went out: reads them back, sends again what differs and ends with
// "All N dumps verified" on `err`, or raises the report (exit status 1).
void VerifyRestore(TModuleSession& session, const std::vector<td7::TRecordRef>& records,
                   std::ostream& err);

// restore --changed-only: reads the module's copy, sends what differs, says how many did,
// then verifies them unless --no-verify.
void RestoreDifferences(const TArguments& args, TModuleSession& session,
                        const std::vector<td7::TRecordRef>& records,
                        const TEnvironment& environment, std::ostream& err);

// restore --fast: the records at the pace learned for the output device, verified as they
// go; "2,496 records in 41.2 s, 12 sent again, pace 14 ms", then what was verified or not.
void RestoreFast(TModuleSession& session, const std::vector<td7::TRecordRef>& records,
                 const TEnvironment& environment, std::ostream& err);

// "verify FILE": the differences by record and parameter on `out`; returns 0 when the
// module holds what the file holds, 1 otherwise.
int VerifyModule(const TArguments& args, midiports::MidiService& service,
                 const TEnvironment& environment, std::ostream& out, std::ostream& err);

}  // namespace cli
