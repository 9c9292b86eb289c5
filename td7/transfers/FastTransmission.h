#pragma once

// A fast transmission as the programs run it: at the pace learned for the output device, which
// is kept for the next time. Keeping it touches the settings file; a file that cannot be
// written must not hide what the transmission did.

#include <string>
#include <vector>

#include "td7/transfers/Transfers.h"

namespace td7 {

struct TFastTransmission {
    TVerifyReport Report;
    // Why the pace learned was not kept, after the report: "The pace learned was not kept:
    // Cannot write <file>"; empty when it was (or when there is no settings file).
    std::string PaceProblem;
};

// Starts at the gap learned for `device` in `iniFile` (an empty name: no settings file, the
// start gap), sends the records with TransmitFast and saves the gap learned. Raises what
// TransmitFast raises; never for the settings file.
TFastTransmission TransmitFastAtLearnedPace(TTransfers& transfers,
                                            const std::vector<TRecordRef>& records,
                                            TTransferProgress& progress, const std::string& iniFile,
                                            const std::string& device);

}  // namespace td7
