#include "td7/audition/Groove.h"

#include <algorithm>
#include <charconv>

namespace td7 {

namespace {

constexpr std::array<std::string_view, kRoleCount> kRoleNames = {
    "kick", "snare", "snare-rim", "hihat-closed", "hihat-open", "hihat-pedal", "tom1",
    "tom2", "tom3",  "tom4",      "ride",         "ride-bell",  "crash"};

constexpr std::size_t kMaxNameLength = 40;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The text as it may be quoted in a one-line message: control bytes would break the line.
std::string Quoted(std::string_view text) {
    std::string shown = "\"";
    for (const char c : text.substr(0, 24))
        shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    if (text.size() > 24) shown += "...";
    return shown + '"';
}

struct TRoleLine {
    Role What;
    int Line;
    std::vector<int> Velocities;  // 0: no hit
};

class TParser {
  public:
    TParser(const std::string& source) : m_source(source) {}

    [[noreturn]] void Fail(int line, const std::string& what) const {
        throw GrooveError(m_source + (line > 0 ? ":" + std::to_string(line) : "") + ": " + what);
    }

    int Size(int line, std::string_view key, std::string_view value, int highest) const {
        const std::optional<int> n = Number(value);
        if (!n || *n < 1 || *n > highest)
            Fail(line, std::string(key) + " must be a number from 1 to " + std::to_string(highest));
        return *n;
    }

    std::vector<int> Steps(int line, std::string_view value) const {
        std::vector<int> steps;
        std::size_t at = 0;
        while (at < value.size()) {
            const auto start = value.find_first_not_of(" \t\r", at);
            if (start == std::string_view::npos) break;
            auto end = value.find_first_of(" \t\r", start);
            if (end == std::string_view::npos) end = value.size();
            const std::string_view token = value.substr(start, end - start);
            at = end;
            if (token == "|") continue;
            if (token == ".") {
                steps.push_back(0);
                continue;
            }
            const std::optional<int> velocity = Number(token);
            if (!velocity || *velocity < 1 || *velocity > 127)
                Fail(line, Quoted(token) + " is no step: a velocity from 1 to 127, or \".\"");
            steps.push_back(*velocity);
            // A line of a million steps is refused before it is all read.
            if (steps.size() > static_cast<std::size_t>(TGroove::kMaxBars * TGroove::kMaxBeats *
                                                        TGroove::kMaxStepsPerBeat))
                Fail(line, "too many steps");
        }
        return steps;
    }

  private:
    const std::string& m_source;
};

}  // namespace

std::string_view RoleName(Role role) {
    return kRoleNames[static_cast<std::size_t>(role)];
}

std::optional<Role> RoleOfName(std::string_view name) {
    const auto it = std::find(kRoleNames.begin(), kRoleNames.end(), name);
    if (it == kRoleNames.end()) return std::nullopt;
    return static_cast<Role>(it - kRoleNames.begin());
}

TGroove ParseGroove(std::string_view text, const std::string& source, std::string id) {
    const TParser parser(source);
    TGroove groove;
    groove.Id = std::move(id);
    std::vector<TRoleLine> roles;
    std::vector<std::string> keysSeen;
    int line = 0;
    std::size_t at = 0;
    while (at <= text.size()) {
        auto end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = text.substr(at, end - at);
        at = end + 1;
        ++line;
        const std::string_view content = Trim(raw);
        if (content.empty() || content.front() == '#') continue;
        const auto colon = content.find(':');
        if (colon == std::string_view::npos)
            parser.Fail(line, "expected \"role: steps\" or \"key: value\"");
        const std::string_view key = Trim(content.substr(0, colon));
        const std::string_view value = Trim(content.substr(colon + 1));
        if (std::find(keysSeen.begin(), keysSeen.end(), key) != keysSeen.end())
            parser.Fail(line, Quoted(key) + " given twice");
        if (key == "name") {
            const bool printable = std::all_of(value.begin(), value.end(), [](char c) {
                return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
            });
            if (value.empty() || value.size() > kMaxNameLength || !printable)
                parser.Fail(line, "the name must be 1 to 40 printable characters");
            groove.Name = value;
        } else if (key == "bars") {
            groove.Bars = parser.Size(line, key, value, TGroove::kMaxBars);
        } else if (key == "beats") {
            groove.Beats = parser.Size(line, key, value, TGroove::kMaxBeats);
        } else if (key == "steps-per-beat") {
            groove.StepsPerBeat = parser.Size(line, key, value, TGroove::kMaxStepsPerBeat);
        } else if (const std::optional<Role> role = RoleOfName(key)) {
            roles.push_back({*role, line, parser.Steps(line, value)});
        } else {
            parser.Fail(line, "unknown key or role " + Quoted(key));
        }
        keysSeen.emplace_back(key);
    }
    for (const TRoleLine& role : roles) {
        if (static_cast<int>(role.Velocities.size()) == groove.Steps()) continue;
        parser.Fail(role.Line, std::string(RoleName(role.What)) + " has " +
                                   std::to_string(role.Velocities.size()) +
                                   (role.Velocities.size() == 1 ? " step, not " : " steps, not ") +
                                   std::to_string(groove.Steps()) +
                                   " (bars x beats x steps-per-beat)");
    }
    for (int step = 0; step < groove.Steps(); ++step)
        for (int r = 0; r < kRoleCount; ++r)
            for (const TRoleLine& role : roles)
                if (static_cast<int>(role.What) == r &&
                    role.Velocities[static_cast<std::size_t>(step)] > 0)
                    groove.Hits.push_back(
                        {step, role.What, role.Velocities[static_cast<std::size_t>(step)]});
    if (groove.Hits.empty()) parser.Fail(0, "no steps to play");
    if (groove.Name.empty()) groove.Name = groove.Id;
    return groove;
}

}  // namespace td7
