#pragma once

// "extract" and "pack": moving blocks between a setup file and dump files with the
// editor's loaders and writers, so that the bytes are exactly those the editor writes.

#include "cli/Arguments.h"

namespace td7 {
class TTd7Collections;
class TPresentFlags;
}  // namespace td7

namespace cli {

// Loads a setup file as the editor's "Load Setup..." does.
void LoadSetup(const std::string& path, td7::TTd7Collections& dumps, td7::TPresentFlags& present);

// Writes the patch, the instruments or the system block that the arguments name. FileError
// when the setup file does not hold it.
void ExtractPart(const TArguments& args);

// Loads each dump file into its place and saves the setup file (".td7" only).
void PackSetup(const TArguments& args);

}  // namespace cli
