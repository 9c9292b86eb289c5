#pragma once

// "info": what a setup file or a dump file holds, read with the editor's own loaders, and
// every record whose frame or checksum is not what the module would send. A file that
// holds no TD-7 record at all (another maker's, say) is refused.

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

// Writes the description to out; FileError when the file cannot be read, is of no kind or
// holds no TD-7 record.
void DescribeFile(const std::filesystem::path& path, std::ostream& out);

}  // namespace cli
