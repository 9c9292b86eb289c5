#pragma once

// What a file is, told the same way wherever one is opened (the command line, the library's
// import, a drop on the main window): a setup file by its signature or, failing it, its
// ".td7" extension (so that a damaged one is refused as a setup); a patch, instruments or
// system file by its size, whatever its extension; anything else is at best a run of
// data-set messages (a memory dump), which only the library takes apart.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace td7 {

class TTd7Collections;
class TPresentFlags;

enum class TFileKind { Setup, Patch, Instruments, System, DataSets };

inline constexpr const char* kNoFileKindError =
    "Not a TD7 setup file, nor a patch (1575 bytes), instruments (16896 bytes) or system "
    "(34 bytes) file";

// Whether the image begins with "TD7Setup10".
bool HasSetupSignature(std::span<const std::uint8_t> image);

TFileKind KindOfFile(const std::filesystem::path& path, std::uintmax_t size, bool hasSignature);
TFileKind KindOfImage(const std::filesystem::path& path, std::span<const std::uint8_t> image);

// For a dump file of no dump size: the refusal of the kind whose size is nearest, the text
// that kind's load command gives (a patch file one byte short reads as a bad patch file).
const char* DumpSizeError(std::uintmax_t size);

// The slot (0..31) a patch file's first record is addressed to; nothing when it names none.
std::optional<int> SavedSlot(std::span<const std::uint8_t> patchImage);

// Reads a file of any kind into the mirror with the loader of its kind: a setup as "Load
// Setup..." does, a patch file into the slot it was saved from (slot 1 when it names none),
// the instruments, the system block. The file is read whole first, so a FIFO or a device is
// refused, not waited on. FileError kNoFileKindError for a file of no kind.
void LoadAnyFile(const std::filesystem::path& path, TTd7Collections& dumps, TPresentFlags& present);

}  // namespace td7
