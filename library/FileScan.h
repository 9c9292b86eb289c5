#pragma once

// What a file holds for the library: the kits, instrument sets and system blocks of a
// setup file (".td7"), of a patch, instruments or system file, or of any ".syx" that is a
// run of whole data-set messages (a full memory dump, several patches in a row). Damaged
// parts are named and left out; the sound ones still come in.

#include <filesystem>
#include <string>
#include <vector>

#include "library/Items.h"

namespace library {

struct TFoundItem {
    TKind Kind;
    int Slot;  // the patch's slot (setup file) or place (dump) in the file, from 1; 0: none
    library::Bytes Data;  // normalised
};

struct TScan {
    std::vector<TFoundItem> Items;
    // "patch 3 damaged, skipped: record 5 (trigger R2: Snare Rim): checksum 16, should be
    // 0E", one line for each part left out, naming its first faulty record and the fault.
    std::vector<std::string> Damage;
    // A setup cut short or damaged in its structure: "18 of 32 kits rescued from kits3.td7
    // (cut short)".
    std::string Rescued;
};

// The file's bytes as found at `path` (whose extension tells a setup from a dump).
// FileError for a setup file that is not one ("Not a TD7 setup file...") and for a file
// that holds nothing of the module.
TScan ScanImage(const std::filesystem::path& path, std::span<const std::uint8_t> image);
TScan ScanFile(const std::filesystem::path& path);

// Files the library reads: ".td7" and ".syx", in any case.
bool IsLibraryFile(const std::filesystem::path& path);

// The library's files in the folder and every folder below it (links to folders are not
// followed), sorted. A folder that cannot be read is named in `problems` ("DIR: folder not
// read, skipped (Permission denied)") and the others are still searched.
std::vector<std::filesystem::path> FindLibraryFiles(const std::filesystem::path& folder,
                                                    std::vector<std::string>& problems);

}  // namespace library
