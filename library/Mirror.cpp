#include "library/Mirror.h"

#include <sstream>

#include "td7/files/DumpFiles.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/RecordRun.h"
#include "td7/session/Session.h"
#include "td7/map/Td7Collections.h"

namespace library {

namespace {

void Read(const Bytes& bytes, td7::TTd7Collections& dumps, std::span<const td7::TRecordRun> runs) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()), std::ios::binary);
    td7::ReadRuns(in, dumps, runs);
}

}  // namespace

void PutIntoMirror(TKind kind, const Bytes& item, td7::TTd7Collections& dumps,
                   td7::TPresentFlags& present, int p) {
    const auto deviceId = static_cast<std::uint8_t>(td7::TSession::DeviceId());
    switch (kind) {
        case TKind::Kit:
            Read(KitForSlot(item, p, deviceId), dumps, td7::PatchRuns(p));
            present.SetPatchPresent(p, true);
            break;
        case TKind::Instruments: {
            const auto run = td7::InstrumentRun();
            Read(item, dumps, {&run, 1});
            present.SetInstrumentsPresent(true);
            break;
        }
        case TKind::System: {
            const auto run = td7::SystemRun();
            Read(item, dumps, {&run, 1});
            present.SetSystemPresent(true);
            break;
        }
    }
}

std::vector<TLibrary::TPiece> TakeFromMirror(td7::TTd7Collections& dumps,
                                             const td7::TPresentFlags& present,
                                             const TMirrorParts& parts) {
    std::vector<TLibrary::TPiece> pieces;
    for (int p = 0; p < td7::kPatchCount; ++p)
        if ((parts.Patches || parts.Patch == p) && present.PatchPresent(p))
            pieces.push_back({TKind::Kit, p + 1, td7::PatchFileImage(dumps, p)});
    if (parts.Instruments && present.InstrumentsPresent())
        pieces.push_back({TKind::Instruments, 0, td7::InstrumentFileImage(dumps)});
    if (parts.System && present.SystemPresent())
        pieces.push_back({TKind::System, 0, td7::SystemFileImage(dumps)});
    return pieces;
}

std::string ModuleOrigin(int deviceId, const std::string& date) {
    return "TD-7 (device ID " + std::to_string(deviceId + 1) + ") " + date;
}

}  // namespace library
