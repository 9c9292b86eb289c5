#pragma once

// "info": what a setup file or a dump file holds, read with the editor's own loaders, and
// every record whose frame or checksum is not what the module would send. A file that
// holds no TD-7 record at all (another maker's, say) is refused.

#include <filesystem>
#include <iosfwd>
#include <string>

namespace cli {

// Writes the description to out; FileError when the file cannot be read, is of no kind or
// holds no TD-7 record.
void DescribeFile(const std::filesystem::path& path, std::ostream& out);

}  // namespace cli
