#include "library/Mirror.h"

#include <sstream>

#include "td7/DumpFiles.h"
#include "td7/PresentFlags.h"
#include "td7/RecordRun.h"
#include "td7/Session.h"
#include "td7/Td7Collections.h"

namespace library {

namespace {

void Read(const Bytes& bytes, app::TTd7Collections& dumps, std::span<const app::TRecordRun> runs) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()), std::ios::binary);
    app::ReadRuns(in, dumps, runs);
}

}  // namespace

void PutIntoMirror(TKind kind, const Bytes& item, app::TTd7Collections& dumps,
                   app::TPresentFlags& present, int p) {
    const auto deviceId = static_cast<std::uint8_t>(app::TSession::DeviceId());
    switch (kind) {
        case TKind::Kit:
            Read(KitForSlot(item, p, deviceId), dumps, app::PatchRuns(p));
            present.SetPatchPresent(p, true);
            break;
        case TKind::Instruments: {
            const auto run = app::InstrumentRun();
            Read(item, dumps, {&run, 1});
            present.SetInstrumentsPresent(true);
            break;
        }
        case TKind::System: {
            const auto run = app::SystemRun();
            Read(item, dumps, {&run, 1});
            present.SetSystemPresent(true);
            break;
        }
    }
}

std::vector<TLibrary::TPiece> TakeFromMirror(app::TTd7Collections& dumps,
                                             const app::TPresentFlags& present,
                                             const TMirrorParts& parts) {
    std::vector<TLibrary::TPiece> pieces;
    for (int p = 0; p < app::kPatchCount; ++p)
        if ((parts.Patches || parts.Patch == p) && present.PatchPresent(p))
            pieces.push_back({TKind::Kit, p + 1, app::PatchFileImage(dumps, p)});
    if (parts.Instruments && present.InstrumentsPresent())
        pieces.push_back({TKind::Instruments, 0, app::InstrumentFileImage(dumps)});
    if (parts.System && present.SystemPresent())
        pieces.push_back({TKind::System, 0, app::SystemFileImage(dumps)});
    return pieces;
}

std::string ModuleOrigin(int deviceId, const std::string& date) {
    return "TD-7 (device ID " + std::to_string(deviceId + 1) + ") " + date;
}

}  // namespace library
