#include "editor/Settings.h"

#include "editor/IniFile.h"

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
constexpr const char* kLibrary = "Library";
constexpr const char* kLibraryFile = "LibraryFile";
constexpr const char* kLibraryHistory = "History";

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
    s.LibraryFile = ini.ReadString(kLibrary, kLibraryFile, defaults.LibraryFile);
    s.LibraryHistory = ini.ReadBool(kLibrary, kLibraryHistory, defaults.LibraryHistory);
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
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    ini.Save(file);
}

}  // namespace app
