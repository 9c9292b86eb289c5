#include "td7/files/FileKind.h"

#include <algorithm>
#include <array>

#include "td7/files/DumpFiles.h"
#include "td7/files/FileIo.h"
#include "td7/map/RecordRun.h"
#include "td7/files/SetupFile.h"

namespace td7 {

namespace {

struct TDumpKind {
    std::uintmax_t Size;
    TFileKind Kind;
    const char* Error;
};

const std::array<TDumpKind, 3>& DumpKinds() {
    static const std::array<TDumpKind, 3> kinds{{
        {static_cast<std::uintmax_t>(PatchBytes()), TFileKind::Patch, kPatchFileSizeError},
        {static_cast<std::uintmax_t>(InstrumentRun().Bytes()), TFileKind::Instruments,
         kInstrumentFileSizeError},
        {static_cast<std::uintmax_t>(SystemRun().Bytes()), TFileKind::System, kSystemFileSizeError},
    }};
    return kinds;
}

std::uintmax_t Distance(std::uintmax_t a, std::uintmax_t b) {
    return a > b ? a - b : b - a;
}

}  // namespace

bool HasSetupSignature(std::span<const std::uint8_t> image) {
    return image.size() >= kSetupSignature.size() &&
           std::equal(kSetupSignature.begin(), kSetupSignature.end(), image.begin(),
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

TFileKind KindOfFile(const std::filesystem::path& path, std::uintmax_t size, bool hasSignature) {
    if (hasSignature || HasSetupExtension(path)) return TFileKind::Setup;
    for (const TDumpKind& kind : DumpKinds())
        if (kind.Size == size) return kind.Kind;
    return TFileKind::DataSets;
}

TFileKind KindOfImage(const std::filesystem::path& path, std::span<const std::uint8_t> image) {
    return KindOfFile(path, image.size(), HasSetupSignature(image));
}

const char* DumpSizeError(std::uintmax_t size) {
    const TDumpKind* nearest = &DumpKinds().front();
    for (const TDumpKind& kind : DumpKinds())
        if (Distance(kind.Size, size) < Distance(nearest->Size, size)) nearest = &kind;
    return nearest->Error;
}

std::optional<int> SavedSlot(std::span<const std::uint8_t> patchImage) {
    // The common record's header: F0 41 dev 41 12 00 p 00 ...
    if (patchImage.size() < 7 || patchImage[6] >= kPatchCount) return std::nullopt;
    return patchImage[6];
}

void LoadAnyFile(const std::filesystem::path& path, TTd7Collections& dumps,
                 TPresentFlags& present) {
    const auto image = ReadFileUpTo(path, MaxSetupBytes());
    // Too large for any kind: only its extension can still make it a (refused) setup.
    const TFileKind kind =
        image ? KindOfImage(path, *image) : KindOfFile(path, MaxSetupBytes() + 1, false);
    switch (kind) {
        case TFileKind::Setup: {
            TSetupFile setup(dumps, present);
            setup.Load(path);
            break;
        }
        case TFileKind::Patch:
            LoadPatchFile(path, dumps, present, SavedSlot(*image).value_or(0));
            break;
        case TFileKind::Instruments:
            LoadInstrumentFile(path, dumps, present);
            break;
        case TFileKind::System:
            LoadSystemFile(path, dumps, present);
            break;
        case TFileKind::DataSets:
            throw FileError(kNoFileKindError);
    }
}

}  // namespace td7
