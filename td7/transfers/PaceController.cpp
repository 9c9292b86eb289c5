#include "td7/transfers/PaceController.h"

#include <algorithm>

#include "td7/settings/IniFile.h"

namespace td7 {

namespace {

constexpr const char* kSection = "FastTransfers";

// The gap alone may reach the normal pace; more would never be used.
TPaceController::Duration Bounded(TPaceController::Duration gap) {
    return std::clamp(gap, TPaceController::Duration{0}, TPaceController::kNormalPace);
}

// An INI key ends at "=", and a section starts with "[": a device name may hold either.
std::string KeyOf(std::string name) {
    for (char& c : name)
        if (c == '=' || c == '[' || c == ']' || c == ';' || c == '\n' || c == '\r') c = '_';
    return name.empty() ? std::string("_") : name;
}

}  // namespace

TPaceController::TPaceController(Duration gap) : m_gap(Bounded(gap)) {}

TPaceController::Duration TPaceController::Pause(int bytes) const {
    const Duration wire = WireTime(bytes);
    return std::max(wire, std::min(wire + m_gap, kNormalPace));
}

void TPaceController::Checked(int checked, int dropped) {
    if (checked <= 0) return;
    if (dropped > 0) {
        m_gap = Bounded(m_gap * 3 / 2 + kGrowStep);
        m_grown = m_gap;
    } else
        m_gap = Bounded(m_gap - kShrinkStep);
}

int TPaceController::PaceMs(int bytes) const {
    return static_cast<int>((Pause(bytes).count() + 500) / 1000);
}

TPaceController::Duration LoadLearnedGap(const std::string& iniFile, const std::string& device) {
    const IniFile ini = IniFile::Load(iniFile);
    const int gap = ini.ReadInteger(kSection, KeyOf(device), -1);
    return gap < 0 ? TPaceController::kStartGap : Bounded(TPaceController::Duration{gap});
}

void SaveLearnedGap(const std::string& iniFile, const std::string& device,
                    TPaceController::Duration gap) {
    IniFile ini = IniFile::Load(iniFile);
    ini.WriteInteger(kSection, KeyOf(device), static_cast<int>(Bounded(gap).count()));
    ini.Save(iniFile);
}

}  // namespace td7
