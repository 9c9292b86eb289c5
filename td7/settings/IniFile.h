#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td7 {

// An INI file of sections and keys, held in memory in file order. Names compare without
// regard to case, as the platform's own INI functions do. A user's comments (";" or "#")
// and blank lines stay where they were, and a key's line is written as it was read until
// its value changes. Lines that are neither (garbage) are skipped on reading and gone on
// writing, so a damaged file comes out clean.
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
    // A key's line, or (with an empty key) a comment or blank line kept as it was.
    struct Entry {
        std::string key;
        std::string value;
        std::string line;
    };
    struct Section {
        std::string name;
        std::string header;  // as read; empty for a section this program added
        std::vector<Entry> entries;
    };

    const Section* FindSection(std::string_view name) const;
    Section& SectionFor(std::string_view name);

    std::vector<std::string> m_preamble;  // comments and blank lines before the first section
    std::vector<Section> m_sections;
};

}  // namespace td7
