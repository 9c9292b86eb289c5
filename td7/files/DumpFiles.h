#pragma once

// Patch, instrument and system files (".syx"): one block each as plain data-set messages,
// exactly as they go to and come from the module. A file of the wrong size is refused and
// nothing changes; a failing save leaves the old file as it was.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "td7/files/FileIo.h"

namespace td7 {

class TTd7Collections;
class TPresentFlags;

inline constexpr const char* kPatchFileSizeError = "Not a proper TD7 patch file (filesize differs)";
inline constexpr const char* kInstrumentFileSizeError =
    "Not a proper TD7 instruments file (filesize differs)";
inline constexpr const char* kSystemFileSizeError =
    "Not a proper TD7 system file (filesize differs)";

inline constexpr const char* kDumpExtensionError = "Other extension than \".syx\" not allowed";

inline constexpr const char* kDumpFileFilter = "*.syx|*.syx";
inline constexpr const char* kDumpFileExtension = "SYX";
inline constexpr const char* kOpenInstrumentTitle = "Open Instrument File...";

// The extension of the files written here: ".syx" in any case.
bool HasDumpExtension(const std::filesystem::path& path);

// The records of slot p (1575 bytes), the 512 instruments (16896) or the system block (34),
// sealed: fresh checksums, headers as the records hold them; a record marked damaged as the
// file held it (see WriteRuns).
std::vector<std::uint8_t> PatchFileImage(TTd7Collections& dumps, int p);
std::vector<std::uint8_t> InstrumentFileImage(TTd7Collections& dumps);
std::vector<std::uint8_t> SystemFileImage(TTd7Collections& dumps);

// Each returns how many damaged records it kept as they were read.
int SavePatchFile(const std::filesystem::path& path, TTd7Collections& dumps, int p,
                  const SinkFactory& openSink = OpenFileSink);
int SaveInstrumentFile(const std::filesystem::path& path, TTd7Collections& dumps,
                       const SinkFactory& openSink = OpenFileSink);
int SaveSystemFile(const std::filesystem::path& path, TTd7Collections& dumps,
                   const SinkFactory& openSink = OpenFileSink);

// Reads the file into slot p (whatever slot it was saved from) and marks the slot present.
void LoadPatchFile(const std::filesystem::path& path, TTd7Collections& dumps,
                   TPresentFlags& present, int p);
// The patch file's bytes as LoadPatchFile takes them, refused with the same texts, for a
// look at the patch without loading it.
std::vector<std::uint8_t> ReadPatchFile(const std::filesystem::path& path);
void LoadInstrumentFile(const std::filesystem::path& path, TTd7Collections& dumps,
                        TPresentFlags& present);
void LoadSystemFile(const std::filesystem::path& path, TTd7Collections& dumps,
                    TPresentFlags& present);

}  // namespace td7
