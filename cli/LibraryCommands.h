#pragma once

// "library": the kit library from the command line: import files and folders, list and
// search what it holds, export an item or a list, and tell what the library file holds.

#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace cli {

enum class TLibraryAction { Import, List, Export, Info };

struct TLibraryArguments {
    TLibraryAction Action = TLibraryAction::Info;
    std::string File;                // --file: instead of the default library
    std::vector<std::string> Paths;  // import
    std::string Search;              // list --search
    bool Favourites = false;         // list --favourites
    std::string Kind;                // list --kind: kit, instruments or system
    std::string Item;                // export: an item's ID, or list:NAME
    std::string Output;              // export -o
};

// The arguments after "library". UsageError for a mistake.
TLibraryArguments ParseLibraryArguments(std::span<const std::string> args);

// Runs it: results to `out`, progress and problems to `err`. LibraryError (or FileError)
// for a failure, after every sound part of an import came in.
void RunLibrary(const TLibraryArguments& args, std::ostream& out, std::ostream& err);

// The editor's tamboro.ini, where both programs look for their settings.
std::string EditorSettingsFile();

}  // namespace cli
