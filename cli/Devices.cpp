#include "cli/Devices.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <vector>

#include "td7/session/PortSetup.h"
#include "td7/session/VirtualTd7Service.h"

namespace cli {

namespace {

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

bool EqualButCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<const td7::TDeviceChoice*> Named(const std::vector<td7::TDeviceChoice>& list,
                                             const std::string& name, bool ignoreCase) {
    std::vector<const td7::TDeviceChoice*> found;
    for (const auto& choice : list)
        if (choice.Setting > 0 &&
            (ignoreCase ? EqualButCase(choice.Name, name) : choice.Name == name))
            found.push_back(&choice);
    return found;
}

int Find(const std::vector<td7::TDeviceChoice>& list, const std::string& text, bool input) {
    const char* kind = input ? "input" : "output";
    if (IsNumber(text)) {
        const int number = std::stoi(text);
        for (const auto& choice : list) {
            if (choice.Setting <= 0 || choice.Setting != number) continue;
            // Numbers move when a device comes or goes: with the module unplugged, its number
            // would open the built-in module, and a backup would hold its factory kits.
            if (choice.Name == td7::VirtualTd7Service::kName)
                throw DeviceError(std::string(input ? "Input " : "Output ") + text +
                                  " is the Virtual TD-7, which is opened by its name only: " +
                                  (input ? "--in" : "--out") + " \"" +
                                  td7::VirtualTd7Service::kName + "\"");
            return number;
        }
        throw DeviceError(input ? td7::kInputNotAvailable : td7::kOutputNotAvailable);
    }
    auto found = Named(list, text, false);
    if (found.empty()) found = Named(list, text, true);
    if (found.empty())
        throw DeviceError(std::string("No MIDI ") + kind + " device named \"" + text + "\"");
    if (found.size() > 1)
        throw DeviceError(std::string("Several MIDI ") + kind + " devices are named \"" + text +
                          "\"; give its number from \"tamboro-cli ports\"");
    return found.front()->Setting;
}

void List(std::ostream& out, const char* title, const std::vector<td7::TDeviceChoice>& list,
          int leftOut) {
    out << title << '\n';
    for (const auto& choice : list)
        if (choice.Setting > 0 && choice.Setting != leftOut)
            out << "  " << choice.Setting << "  " << choice.Name << '\n';
}

// The output setting of the port that the patchbay connects (see PortSetup.h).
constexpr int kMapperSetting = td7::kMapperDevice + 2;

}  // namespace

void ListPorts(midiports::MidiService& service, std::ostream& out, bool mapperUsable) {
    List(out, "MIDI input devices (--in):", td7::InputDeviceList(service), 0);
    List(out, "MIDI output devices (--out):", td7::OutputDeviceList(service),
         mapperUsable ? 0 : kMapperSetting);
}

int FindInputDevice(midiports::MidiService& service, const std::string& text) {
    return Find(td7::InputDeviceList(service), text, true);
}

int FindOutputDevice(midiports::MidiService& service, const std::string& text) {
    return Find(td7::OutputDeviceList(service), text, false);
}

}  // namespace cli
