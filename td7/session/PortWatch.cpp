#include "td7/session/PortWatch.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "td7/session/PortSetup.h"

namespace td7 {

namespace {

constexpr int kMapperSetting = 1;

// Where the chosen device is listed now: its old number when the name is still there,
// else the first device of that name (a replugged interface may come back elsewhere).
std::optional<int> Listed(const std::vector<TDeviceChoice>& list,
                          const TPortWatch::TChoice& choice) {
    std::optional<int> found;
    for (const TDeviceChoice& entry : list) {
        if (entry.Setting <= 0 || entry.Name != choice.Name) continue;
        if (entry.Setting == choice.Setting) return entry.Setting;
        if (!found) found = entry.Setting;
    }
    return found;
}

std::string Quoted(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k > 0) text += " and ";
        text += "\"" + names[k] + "\"";
    }
    return text;
}

void AddName(std::vector<std::string>& names, const std::string& name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

// The name the list gives the device at `setting`; empty when none is there.
std::string NameAt(const std::vector<TDeviceChoice>& list, int setting) {
    for (const TDeviceChoice& entry : list)
        if (entry.Setting == setting) return entry.Name;
    return {};
}

}  // namespace

TPortWatch::TPortWatch(midiports::MidiService& service, midiports::TMidiInput& input,
                       midiports::TMidiOutput& output)
    : m_service(service), m_inputPort(input), m_outputPort(output) {}

void TPortWatch::Choose() {
    m_input = {};
    m_output = {};
    m_back.clear();
    const int input = InputSetting(m_inputPort);
    if (m_inputPort.IsOpen()) m_input = {input, NameAt(InputDeviceList(m_service), input)};
    const int output = OutputSetting(m_outputPort);
    if (m_outputPort.IsOpen() && output != kMapperSetting)
        m_output = {output, NameAt(OutputDeviceList(m_service), output)};
    // A device without a name cannot be found again; it is not watched.
    if (m_input.Name.empty()) m_input = {};
    if (m_output.Name.empty()) m_output = {};
}

void TPortWatch::CloseInput() {
    try {
        m_inputPort.Stop();
        m_inputPort.Close();
    } catch (const std::exception&) {
        // A port whose device is gone may refuse to stop; it is not used again.
    }
}

void TPortWatch::CloseOutput() {
    try {
        m_outputPort.Close();
    } catch (const std::exception&) {
    }
}

bool TPortWatch::PollSide(TChoice& choice, const TSide& side, bool reopen) {
    if (choice.Setting <= 0) return false;
    const std::optional<int> listed = Listed(side.List(), choice);
    if (!choice.Gone && (!listed || !side.IsOpen())) {
        side.Close();
        return choice.Gone = true;
    }
    if (choice.Gone && listed && reopen && !side.Open(*listed) && side.IsOpen()) {
        choice.Setting = *listed;
        choice.Gone = false;
        AddName(m_back, choice.Name);
    }
    return false;
}

TPortWatch::TChange TPortWatch::Poll(bool reopen) {
    if (m_input.Setting == 0 && m_output.Setting == 0) return TChange::None;
    m_back.clear();
    const TSide input{[this] { return InputDeviceList(m_service); },
                      [this] { return m_inputPort.IsOpen(); }, [this] { CloseInput(); },
                      [this](int setting) { return OpenInputFromSetting(m_inputPort, setting); }};
    const TSide output{[this] { return OutputDeviceList(m_service); },
                       [this] { return m_outputPort.IsOpen(); }, [this] { CloseOutput(); },
                       [this](int setting) { return OpenOutputFromSetting(m_outputPort, setting); }};
    const bool inputGone = PollSide(m_input, input, reopen);
    const bool gone = PollSide(m_output, output, reopen) || inputGone;
    const TChange change = gone              ? TChange::Gone
                           : !m_back.empty() ? TChange::Back
                                             : TChange::None;
    if (change != TChange::None && OnChange) OnChange(change);
    return change;
}

std::string TPortWatch::GoneText() const {
    std::vector<std::string> names;
    if (m_input.Gone) AddName(names, m_input.Name);
    if (m_output.Gone) AddName(names, m_output.Name);
    if (names.empty()) return {};
    return names.size() == 1 ? "The MIDI device " + Quoted(names) + " is gone."
                             : "The MIDI devices " + Quoted(names) + " are gone.";
}

std::string TPortWatch::ChangeText(TChange change) const {
    switch (change) {
        case TChange::Gone:
            if (!AnyGone()) return {};
            return GoneText() + (m_input.Gone && m_output.Gone && m_input.Name != m_output.Name
                                     ? " Tamboro opens them again when they come back."
                                     : " Tamboro opens it again when it comes back.");
        case TChange::Back:
            if (m_back.empty()) return {};
            return m_back.size() == 1 ? "The MIDI device " + Quoted(m_back) + " is back."
                                      : "The MIDI devices " + Quoted(m_back) + " are back.";
        case TChange::None:
            break;
    }
    return {};
}

}  // namespace td7
