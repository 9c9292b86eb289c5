#include "td7/session/PortSetup.h"

#include <exception>

#include "midilink/DeviceIds.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "midiports/MidiService.h"

namespace td7 {

std::vector<TDeviceChoice> InputDeviceList(midiports::MidiService& service) {
    std::vector<TDeviceChoice> list{{"None", 0}};
    const int count = service.InDeviceCount();
    for (int id = 0; id < count; ++id) {
        std::string name;
        if (service.InProductName(id, name) == midiports::result::kOk)
            list.push_back({name, id + 1});
    }
    return list;
}

std::vector<TDeviceChoice> OutputDeviceList(midiports::MidiService& service) {
    std::vector<TDeviceChoice> list{{"None", 0}};
    const int count = service.OutDeviceCount();
    for (int id = kMapperDevice; id < count; ++id) {
        std::string name;
        if (service.OutProductName(id, name) == midiports::result::kOk)
            list.push_back({name, id + 2});
    }
    return list;
}

int InputSetting(const midiports::TMidiInput& port) {
    return port.Handle() != nullptr ? port.DeviceID() + 1 : 0;
}

int OutputSetting(const midiports::TMidiOutput& port) {
    return port.Handle() != nullptr ? port.DeviceID() + 2 : 0;
}

std::optional<std::string> OpenInputFromSetting(midiports::TMidiInput& port, int setting) {
    if (setting <= 0) return std::nullopt;
    try {
        // Above 65536 the device number would wrap to a valid one: refuse it here.
        if (setting - 1 > 0xFFFF) return kInputNotAvailable;
        port.SetDeviceID(static_cast<std::uint16_t>(setting - 1));
        port.Open();
        port.Start();
    } catch (const std::exception&) {
        // A port that opened but did not start is of no use; close it again so the
        // settings written at close say "none".
        try {
            port.Close();
        } catch (const std::exception&) {
        }
        return kInputNotAvailable;
    }
    return std::nullopt;
}

std::optional<std::string> OpenOutputFromSetting(midiports::TMidiOutput& port, int setting) {
    if (setting <= 0) return std::nullopt;
    try {
        port.SetDeviceID(setting - 2);
    } catch (const std::exception&) {
        return kOutputNotAvailable;
    }
    port.Open();
    return std::nullopt;
}

namespace {

void OpenChosen(midiports::TMidiInput& input, midiports::TMidiOutput& output, int inputSetting,
                int outputSetting) {
    input.Stop();
    input.Close();
    if (inputSetting > 0) {
        input.SetDeviceID(static_cast<std::uint16_t>(inputSetting - 1));
        input.Open();
        if (input.Handle() == nullptr) throw midiports::EMidiInputError(kInputNotAvailable);
        input.Start();
    }
    output.Close();
    if (outputSetting > 0) {
        output.SetDeviceID(outputSetting - 2);
        output.Open();
        if (output.Handle() == nullptr) throw midiports::EmidioutputError(kOutputNotAvailable);
    }
}

// Back to the ports as they were; whatever fails on the way back leaves that port closed.
void Reopen(midiports::TMidiInput& input, midiports::TMidiOutput& output, int inputSetting,
            int outputSetting) {
    try {
        input.Stop();
        input.Close();
    } catch (const std::exception&) {
    }
    try {
        output.Close();
    } catch (const std::exception&) {
    }
    (void)OpenInputFromSetting(input, inputSetting);
    (void)OpenOutputFromSetting(output, outputSetting);
}

}  // namespace

void ApplyDeviceChoice(midiports::TMidiInput& input, midiports::TMidiOutput& output,
                       int inputSetting, int outputSetting, int deviceIdField) {
    // Input, output and device ID belong together: a half-applied choice would leave the
    // editor talking to one device and listening to none.
    const int oldInput = InputSetting(input);
    const int oldOutput = OutputSetting(output);
    try {
        OpenChosen(input, output, inputSetting, outputSetting);
    } catch (const std::exception& error) {
        Reopen(input, output, oldInput, oldOutput);
        throw TDeviceChoiceError(std::string(error.what()) + "\n" + kDeviceChoiceKept);
    }
    midilink::SetDeviceId(0, deviceIdField - 1);
}

}  // namespace td7
