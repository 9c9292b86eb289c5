#pragma once

// "info": what a setup file or a dump file holds, read with the editor's own loaders, and
// every record whose frame or checksum is not what the module would send. Extracting,
// packing and restoring write fresh checksums, so this is the place where a damaged record
// shows.

#include <filesystem>
#include <iosfwd>
#include <string>

#include "td7/Td7Map.h"

namespace cli {

// The kind of a file: setup files by their signature (or, failing it, their ".td7"
// extension, which makes them refused as the editor refuses them), dump files by size.
enum class TFileKind { Setup, Patch, Instruments, System };

// FileError "Not a TD7 setup file..." for a damaged setup file, and a text of its own for
// a file of no kind.
TFileKind KindOf(const std::filesystem::path& path, std::size_t size, bool hasSignature);

// "patch 3 common", "patch 3 trigger T2: Snare", "patch 3 note 35", "instrument 1",
// "system": record `index` of the block, with patches and instruments counted from 1.
std::string RecordLabel(td7::Block block, int index);

// Writes the description to out; FileError when the file cannot be read or is of no kind.
void DescribeFile(const std::filesystem::path& path, std::ostream& out);

}  // namespace cli
