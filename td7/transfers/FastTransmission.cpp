#include "td7/transfers/FastTransmission.h"

#include <stdexcept>

#include "td7/transfers/PaceController.h"

namespace td7 {

TFastTransmission TransmitFastAtLearnedPace(TTransfers& transfers,
                                            const std::vector<TRecordRef>& records,
                                            TTransferProgress& progress, const std::string& iniFile,
                                            const std::string& device) {
    transfers.Pace() = TPaceController(iniFile.empty() ? TPaceController::kStartGap
                                                       : LoadLearnedGap(iniFile, device));
    TFastTransmission result;
    result.Report = transfers.TransmitFast(records, progress);
    if (iniFile.empty()) return result;
    try {
        SaveLearnedGap(iniFile, device, transfers.Pace().Learned());
    } catch (const std::runtime_error& error) {
        result.PaceProblem = std::string("The pace learned was not kept: ") + error.what();
    }
    return result;
}

}  // namespace td7
