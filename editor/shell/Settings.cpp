#include "editor/shell/Settings.h"

#include <algorithm>
#include <cstdlib>

#include "td7/settings/IniFile.h"

namespace editor {

namespace {

// Sections and keys of the settings file.
constexpr const char* kGeneral = "General";
constexpr const char* kInstEdit = "InstEdit";
constexpr const char* kDevId = "DevId";
constexpr const char* kBackground = "Background";
constexpr const char* kMidiInDev = "MidiInDev";
constexpr const char* kMidiOutDev = "MidiOutDev";
constexpr const char* kMidiInName = "MidiInName";
constexpr const char* kMidiOutName = "MidiOutName";
constexpr const char* kLastSetup = "LastSetup";
constexpr const char* kPatchLookup = "PatchLookup";
constexpr const char* kLibrary = "Library";
constexpr const char* kLibraryHistory = "History";
constexpr const char* kLastDir = "LastDir";
constexpr const char* kRecent = "RecentSetups";
constexpr const char* kRecentKey = "Setup";  // Setup1 .. Setup8, newest first
constexpr const char* kVerifyTransmissions = "VerifyTransmissions";
constexpr const char* kFollowPadHits = "FollowPadHits";
constexpr const char* kFastTransfers = "FastTransfers";

}  // namespace

TSettings LoadSettings(const std::filesystem::path& file) {
    const td7::IniFile ini = td7::IniFile::Load(file);
    const TSettings defaults;
    TSettings s;
    s.DevId = ini.ReadInteger(kGeneral, kDevId, defaults.DevId);
    if (s.DevId < 0 || s.DevId > 0x7F) s.DevId = defaults.DevId;
    s.Background = ini.ReadInteger(kGeneral, kBackground, defaults.Background);
    s.MidiInDev = ini.ReadInteger(kGeneral, kMidiInDev, defaults.MidiInDev);
    s.MidiOutDev = ini.ReadInteger(kGeneral, kMidiOutDev, defaults.MidiOutDev);
    s.MidiInName = ini.ReadString(kGeneral, kMidiInName, defaults.MidiInName);
    s.MidiOutName = ini.ReadString(kGeneral, kMidiOutName, defaults.MidiOutName);
    s.LastSetup = ini.ReadString(kGeneral, kLastSetup, defaults.LastSetup);
    s.PatchLookup = ini.ReadBool(kInstEdit, kPatchLookup, defaults.PatchLookup);
    s.LibraryHistory = ini.ReadBool(kLibrary, kLibraryHistory, defaults.LibraryHistory);
    s.LastDir = ini.ReadString(kGeneral, kLastDir, defaults.LastDir);
    for (int k = 1; k <= kRecentSetupCount; ++k) {
        const std::string name = ini.ReadString(kRecent, kRecentKey + std::to_string(k), {});
        if (!name.empty() &&
            std::find(s.RecentSetups.begin(), s.RecentSetups.end(), name) == s.RecentSetups.end())
            s.RecentSetups.push_back(name);
    }
    s.VerifyTransmissions =
        ini.ReadBool(kGeneral, kVerifyTransmissions, defaults.VerifyTransmissions);
    s.FollowPadHits = ini.ReadBool(kGeneral, kFollowPadHits, defaults.FollowPadHits);
    s.FastTransfers = ini.ReadBool(kGeneral, kFastTransfers, defaults.FastTransfers);
    return s;
}

void SaveSettings(const std::filesystem::path& file, const TSettings& s) {
    td7::IniFile ini = td7::IniFile::Load(file);
    ini.WriteInteger(kGeneral, kDevId, s.DevId);
    ini.WriteInteger(kGeneral, kBackground, s.Background);
    ini.WriteInteger(kGeneral, kMidiInDev, s.MidiInDev);
    ini.WriteInteger(kGeneral, kMidiOutDev, s.MidiOutDev);
    ini.WriteString(kGeneral, kMidiInName, s.MidiInName);
    ini.WriteString(kGeneral, kMidiOutName, s.MidiOutName);
    ini.WriteString(kGeneral, kLastSetup, s.LastSetup);
    ini.WriteBool(kInstEdit, kPatchLookup, s.PatchLookup);
    ini.WriteString(kGeneral, kLastDir, s.LastDir);
    // Every key is written, so that entries dropped from the list leave the file too.
    for (int k = 1; k <= kRecentSetupCount; ++k) {
        const auto at = static_cast<std::size_t>(k - 1);
        ini.WriteString(kRecent, kRecentKey + std::to_string(k),
                        at < s.RecentSetups.size() ? s.RecentSetups[at] : std::string());
    }
    ini.WriteBool(kGeneral, kVerifyTransmissions, s.VerifyTransmissions);
    ini.WriteBool(kGeneral, kFollowPadHits, s.FollowPadHits);
    ini.WriteBool(kGeneral, kFastTransfers, s.FastTransfers);
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    ini.Save(file);
}

std::filesystem::path FileDialogStartDir(const std::string& lastDir,
                                         const std::filesystem::path& programDir,
                                         const td7::EnvironmentLookup& env) {
    std::error_code ec;
    if (!lastDir.empty() && std::filesystem::is_directory(lastDir, ec)) return lastDir;
    // An installed program's folder is the system's (a save there fails); a build folder or a
    // portable copy is the user's own.
    if (td7::IsOwnProgramDir(programDir)) return programDir;
    const char* home = env ? env("HOME") : std::getenv("HOME");
    if (home != nullptr && *home != '\0' && std::filesystem::is_directory(home, ec)) return home;
    return programDir;
}

std::vector<std::string> WithRecentSetup(std::vector<std::string> recent, const std::string& name) {
    if (name.empty()) return recent;
    recent.erase(std::remove(recent.begin(), recent.end(), name), recent.end());
    recent.insert(recent.begin(), name);
    if (recent.size() > static_cast<std::size_t>(kRecentSetupCount))
        recent.resize(static_cast<std::size_t>(kRecentSetupCount));
    return recent;
}

}  // namespace editor
