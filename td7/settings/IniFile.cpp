#include "td7/settings/IniFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace td7 {

namespace {

std::string_view Trim(std::string_view s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// Whether the last line of `text` (which ends with a line break) is blank; true for no text.
bool EndsWithBlankLine(std::string_view text) {
    if (text.empty()) return true;
    text.remove_suffix(1);
    const auto start = text.rfind('\n');
    return Trim(start == std::string_view::npos ? text : text.substr(start + 1)).empty();
}

}  // namespace

IniFile IniFile::Load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    Section* current = nullptr;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        const std::string_view line = Trim(raw);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            // A user's own line: kept where it stands.
            if (current == nullptr)
                ini.m_preamble.emplace_back(raw);
            else
                current->entries.push_back({{}, {}, std::string(raw)});
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close == std::string_view::npos) continue;
            current = &ini.SectionFor(Trim(line.substr(1, close - 1)));
            if (current->header.empty()) current->header = std::string(line);
            continue;
        }
        const auto eq = line.find('=');
        if (current == nullptr || eq == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, eq));
        if (key.empty()) continue;
        const std::string_view value = Trim(line.substr(eq + 1));
        // The first time a key appears its line stays as the user wrote it; a repeat only
        // gives the value (the last one counts) and is not written twice.
        if (ini.Value(current->name, key))
            ini.WriteString(current->name, key, value);
        else
            current->entries.push_back({std::string(key), std::string(value), std::string(raw)});
    }
    return ini;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
    for (const auto& s : m_sections)
        if (SameName(s.name, name)) return &s;
    return nullptr;
}

IniFile::Section& IniFile::SectionFor(std::string_view name) {
    for (auto& s : m_sections)
        if (SameName(s.name, name)) return s;
    return m_sections.emplace_back(Section{std::string(name), {}});
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    if (const Section* s = FindSection(section))
        for (const auto& e : s->entries)
            if (!e.key.empty() && SameName(e.key, key)) return e.value;
    return std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                const std::string& fallback) const {
    return Value(section, key).value_or(fallback);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    const auto value = Value(section, key);
    if (!value) return fallback;
    std::string_view digits = *value;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    int result = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    if (ec != std::errc{} || end != digits.data() + digits.size()) return fallback;
    return result;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    const auto value = Value(section, key);
    if (!value) return fallback;
    for (const char* yes : {"1", "true", "yes", "on"})
        if (SameName(*value, yes)) return true;
    for (const char* no : {"0", "false", "no", "off"})
        if (SameName(*value, no)) return false;
    return fallback;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Section& s = SectionFor(section);
    for (auto& e : s.entries)
        if (!e.key.empty() && SameName(e.key, key)) {
            if (e.value != value) {
                e.value = std::string(value);
                e.line = e.key + '=' + e.value;
            }
            return;
        }
    // A new key goes after the section's last key, ahead of the blank lines and comments
    // that follow it (those usually introduce the next section).
    auto at = s.entries.end();
    const auto lastKey = std::find_if(s.entries.rbegin(), s.entries.rend(),
                                      [](const Entry& e) { return !e.key.empty(); });
    if (lastKey != s.entries.rend()) {
        at = lastKey.base();
    } else {
        while (at != s.entries.begin() && Trim((at - 1)->line).empty()) --at;
    }
    const std::string k(key);
    const std::string v(value);
    s.entries.insert(at, {k, v, k + '=' + v});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::string IniFile::Text() const {
    std::string text;
    for (const auto& line : m_preamble) text += line + '\n';
    for (const auto& s : m_sections) {
        // A section this program adds stands apart by a blank line; the user's stay as
        // they were laid out.
        if (s.header.empty() && !EndsWithBlankLine(text)) text += '\n';
        text += (s.header.empty() ? '[' + s.name + ']' : s.header) + '\n';
        for (const auto& e : s.entries) text += e.line + '\n';
    }
    return text;
}

void IniFile::Save(const std::filesystem::path& file) const {
    std::filesystem::path temp = file;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << Text();
        out.flush();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            throw std::runtime_error("Cannot write " + file.string());
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, file, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        throw std::runtime_error("Cannot write " + file.string());
    }
}

}  // namespace td7
