#pragma once

// "extract" and "pack": moving blocks between a setup file and dump files with the
// editor's loaders and writers, so that the bytes are exactly those the editor writes.
// Neither writes over a file it reads, nor passes on a record that a file held damaged
// unless --force says so; then the record is written as it was read, its damage visible.

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "td7/transfers/ReadBack.h"

namespace td7 {
class TTd7Collections;
class TPresentFlags;
}  // namespace td7

namespace cli {

// Loads a setup file as the editor's "Load Setup..." does.
void LoadSetup(const std::string& path, td7::TTd7Collections& dumps, td7::TPresentFlags& present);

// FileError when `output` is one of `inputs` (the same file, by whatever name).
void RefuseOverwritingInput(const std::string& output, const std::vector<std::string>& inputs);

// FileError naming the damaged ones among `records`, read from `file`, when there are any;
// with `force`, a line on `err` instead. `sending` tells a restore from a writer.
void RefuseDamaged(const std::string& file, td7::TTd7Collections& dumps,
                   const std::vector<td7::TRecordRef>& records, bool force, bool sending,
                   std::ostream& err);

// Writes the patch, the instruments or the system block that the arguments name (".syx"
// only). FileError when the setup file does not hold it.
void ExtractPart(const TArguments& args, std::ostream& err);

// Loads each dump file into its place and saves the setup file (".td7" only).
void PackSetup(const TArguments& args, std::ostream& err);

}  // namespace cli
