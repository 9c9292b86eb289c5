#include "editor/files/DroppedFile.h"

#include "td7/files/DumpFiles.h"
#include "td7/files/FileKind.h"
#include "td7/files/SetupFile.h"

namespace editor {

TDroppedFile KindOfDroppedFile(const std::filesystem::path& path, std::uintmax_t size) {
    // The window takes the two extensions its file commands write; the signature is not
    // looked at (the drag itself only names the file).
    if (!td7::HasSetupExtension(path) && !td7::HasDumpExtension(path)) return TDroppedFile::None;
    switch (td7::KindOfFile(path, size, false)) {
        case td7::TFileKind::Setup:
            return TDroppedFile::Setup;
        case td7::TFileKind::Patch:
            return TDroppedFile::Patch;
        case td7::TFileKind::Instruments:
            return TDroppedFile::Instruments;
        case td7::TFileKind::System:
            return TDroppedFile::System;
        case td7::TFileKind::DataSets:
            break;
    }
    return TDroppedFile::WrongSize;
}

}  // namespace editor
