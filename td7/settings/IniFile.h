#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td7 {

// An INI file of sections and keys, held in memory in file order. Names compare without
// regard to case, as the platform's own INI functions do. Lines that are neither a section
// nor a key=value pair (comments, garbage) are skipped on reading and lost on writing.
class IniFile {
  public:
    // A missing or unreadable file gives an empty document.
    static IniFile Load(const std::filesystem::path& file);
    static IniFile Parse(std::string_view text);

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& fallback) const;
    // The fallback for a missing key or a value that is not a whole number.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // 1/0, true/false, yes/no, on/off in any case; the fallback for anything else.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    std::string Text() const;
    // Writes through a temporary file beside the target, so a failed write keeps the old
    // file. Raises std::runtime_error "Cannot write <file>" on failure.
    void Save(const std::filesystem::path& file) const;

  private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    const Section* FindSection(std::string_view name) const;
    Section& SectionFor(std::string_view name);

    std::vector<Section> m_sections;
};

}  // namespace td7
