#pragma once

// Where grooves come from: the built-in ones shipped with the program (beside it in a build
// folder, in ../share/tamboro/grooves/ when installed) and the user's own in a folder
// "grooves" beside tamboro.ini. A user's groove of the same name takes the built-in one's
// place.

#include <filesystem>
#include <string>
#include <vector>

#include "td7/audition/Groove.h"
#include "td7/settings/SettingsPath.h"

namespace td7 {

inline constexpr const char* kGrooveExtension = ".groove";
inline constexpr const char* kGrooveFolderName = "grooves";

// The built-in grooves' folder: beside the program, else the installed one; the installed
// one's place when neither exists, so that a message can name it.
std::filesystem::path BuiltInGrooveFolder(const std::filesystem::path& programDir);
// The user's folder: "grooves" beside the settings file.
std::filesystem::path UserGrooveFolder(const std::filesystem::path& programDir,
                                       const EnvironmentLookup& env = {});

// Reads one groove file; GrooveError "<file>: <what>" when it cannot be read or is wrong.
TGroove LoadGroove(const std::filesystem::path& file);

struct TGrooveList {
    std::vector<TGroove> Grooves;     // by id
    std::vector<std::string> Faults;  // one line a file that could not be read
};

// Every "*.groove" of the folders, later folders replacing earlier ones' grooves of the
// same id. A folder that does not exist holds none.
TGrooveList LoadGrooves(const std::vector<std::filesystem::path>& folders);

// The groove whose id or name is `name`, ignoring case; GrooveError naming the choices
// otherwise.
const TGroove& FindGroove(const TGrooveList& list, const std::string& name);

}  // namespace td7
