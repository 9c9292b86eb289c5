#include "editor/shell/DroppedFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "td7/DumpFiles.h"
#include "td7/Td7Map.h"

namespace editor {

namespace {

struct TDumpKind {
    std::uintmax_t Size;
    TDroppedFile Kind;
    const char* Error;
};

const std::array<TDumpKind, 3>& DumpKinds() {
    const auto bytes = [](td7::Block block) {
        return static_cast<std::uintmax_t>(td7::InfoOf(block).Size) *
               static_cast<std::uintmax_t>(td7::InfoOf(block).Count);
    };
    static const std::array<TDumpKind, 3> kinds{{
        {static_cast<std::uintmax_t>(td7::PatchBytes()), TDroppedFile::Patch, td7::kPatchFileSizeError},
        {bytes(td7::Block::Instrument), TDroppedFile::Instruments, td7::kInstrumentFileSizeError},
        {bytes(td7::Block::System), TDroppedFile::System, td7::kSystemFileSizeError},
    }};
    return kinds;
}

std::string LowerExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::uintmax_t Distance(std::uintmax_t a, std::uintmax_t b) {
    return a > b ? a - b : b - a;
}

}  // namespace

TDroppedFile KindOfDroppedFile(const std::filesystem::path& path, std::uintmax_t size) {
    const std::string extension = LowerExtension(path);
    if (extension == ".td7") return TDroppedFile::Setup;
    if (extension != ".syx") return TDroppedFile::None;
    for (const TDumpKind& kind : DumpKinds())
        if (kind.Size == size) return kind.Kind;
    return TDroppedFile::WrongSize;
}

const char* WrongSizeError(std::uintmax_t size) {
    const TDumpKind* nearest = &DumpKinds().front();
    for (const TDumpKind& kind : DumpKinds())
        if (Distance(kind.Size, size) < Distance(nearest->Size, size)) nearest = &kind;
    return nearest->Error;
}

}  // namespace editor
