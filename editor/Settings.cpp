#include "editor/Settings.h"

#include <unistd.h>

#include <cstdlib>

#include "editor/IniFile.h"
#include "td7/Version.h"

namespace app {

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
constexpr const char* kFollowPadHits = "FollowPadHits";

bool IsWritableDir(const std::filesystem::path& dir) {
    std::error_code ec;
    return std::filesystem::is_directory(dir, ec) && ::access(dir.c_str(), W_OK) == 0;
}

// Installed under a prefix: the help file is in its place.
bool IsInstalled(const std::filesystem::path& programDir) {
    std::error_code ec;
    return std::filesystem::is_regular_file(InstalledHelpFile(programDir), ec);
}

}  // namespace

TSettings LoadSettings(const std::filesystem::path& file) {
    const IniFile ini = IniFile::Load(file);
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
    s.FollowPadHits = ini.ReadBool(kGeneral, kFollowPadHits, defaults.FollowPadHits);
    return s;
}

void SaveSettings(const std::filesystem::path& file, const TSettings& s) {
    IniFile ini = IniFile::Load(file);
    ini.WriteInteger(kGeneral, kDevId, s.DevId);
    ini.WriteInteger(kGeneral, kBackground, s.Background);
    ini.WriteInteger(kGeneral, kMidiInDev, s.MidiInDev);
    ini.WriteInteger(kGeneral, kMidiOutDev, s.MidiOutDev);
    ini.WriteString(kGeneral, kMidiInName, s.MidiInName);
    ini.WriteString(kGeneral, kMidiOutName, s.MidiOutName);
    ini.WriteString(kGeneral, kLastSetup, s.LastSetup);
    ini.WriteBool(kInstEdit, kPatchLookup, s.PatchLookup);
    ini.WriteBool(kGeneral, kFollowPadHits, s.FollowPadHits);
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    ini.Save(file);
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& programDir,
                                       const EnvironmentLookup& env) {
    if (IsWritableDir(programDir) && !IsInstalled(programDir))
        return programDir / kSettingsFileName;
    const auto lookup = [&](const char* name) -> const char* {
        return env ? env(name) : std::getenv(name);
    };
    std::filesystem::path config;
    if (const char* xdg = lookup("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0')
        config = xdg;
    else if (const char* home = lookup("HOME"); home != nullptr && *home != '\0')
        config = std::filesystem::path(home) / ".config";
    else
        config = std::filesystem::temp_directory_path();
    return config / "tamboro" / kSettingsFileName;
}

}  // namespace app
