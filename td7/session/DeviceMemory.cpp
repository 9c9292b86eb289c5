#include "td7/session/DeviceMemory.h"

#include <string_view>

namespace td7 {

namespace {

// The settings file trims its values; a name is compared as it reads back.
std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

const TDeviceChoice* WithSetting(const std::vector<TDeviceChoice>& list, int setting) {
    for (const auto& choice : list)
        if (choice.Setting == setting) return &choice;
    return nullptr;
}

const TDeviceChoice* WithName(const std::vector<TDeviceChoice>& list, std::string_view name) {
    for (const auto& choice : list)
        if (choice.Setting > 0 && Trimmed(choice.Name) == name) return &choice;
    return nullptr;
}

}  // namespace

std::optional<int> FindRememberedDevice(const std::vector<TDeviceChoice>& list, int setting,
                                        const std::string& name) {
    if (setting <= 0) return 0;
    const std::string_view wanted = Trimmed(name);
    if (wanted.empty()) return setting;
    const TDeviceChoice* atNumber = WithSetting(list, setting);
    if (atNumber != nullptr && Trimmed(atNumber->Name) == wanted) return setting;
    if (const TDeviceChoice* named = WithName(list, wanted)) return named->Setting;
    return std::nullopt;
}

}  // namespace td7
