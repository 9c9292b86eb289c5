#pragma once

// "library": the kit library from the command line: import files and folders, list and
// search what it holds, export an item, a list or many items as a folder of files, tag,
// mark, delete, edit lists, back the library up and restore it, and tell what it holds.

#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace cli {

enum class TLibraryAction {
    Import,
    List,
    Export,
    Info,
    Tag,
    Untag,
    Fav,
    Unfav,
    Delete,
    Lists,
    ListNew,
    ListPut,
    ListClear,
    ListShow,
    Backup,
    Restore,
};

struct TLibraryArguments {
    TLibraryAction Action = TLibraryAction::Info;
    std::string File;                // --file: instead of the default library
    std::vector<std::string> Paths;  // import
    std::string Search;              // list --search
    bool Favourites = false;         // list --favourites
    std::string Kind;                // list --kind: kit, instruments or system
    std::string Item;                // export: an item's ID, or list:NAME
    std::string Output;              // export -o
    bool All = false;                // export --all DIR
    std::string Folder;              // export --all/--search: the folder written
    std::string List;                // list-new, list-put, list-clear, list-show: the name
    int Position = 0;                // list-put, list-clear: 1..32
    std::vector<std::string> Tags;   // tag, untag
};

// The arguments after "library". UsageError for a mistake.
TLibraryArguments ParseLibraryArguments(std::span<const std::string> args);

// Runs it: results to `out`, progress and problems to `err`. LibraryError (or FileError)
// for a failure, after every sound part of an import came in.
void RunLibrary(const TLibraryArguments& args, std::ostream& out, std::ostream& err);

// The editor's tamboro.ini, where both programs look for their settings.
std::string EditorSettingsFile();

}  // namespace cli
