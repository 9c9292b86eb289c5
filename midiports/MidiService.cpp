#include "MidiService.h"

#include <array>
#include <utility>

#include "InputDevice.h"
#include "OutputDevice.h"

namespace midiports {

namespace {

InputDevice* In(MidiDevice* handle) {
    return dynamic_cast<InputDevice*>(handle);
}
OutputDevice* Out(MidiDevice* handle) {
    return dynamic_cast<OutputDevice*>(handle);
}

// The service's own texts for its codes.
constexpr std::array<std::pair<MidiResult, const char*>, 12> kErrorTexts{{
    {result::kOk, "No error."},
    {result::kError, "The MIDI service reported an unspecified error."},
    {result::kBadDeviceId, "The MIDI device number is out of range."},
    {result::kAllocated, "The MIDI device is in use by another program."},
    {result::kInvalidHandle, "The MIDI device handle is not valid."},
    {result::kNoDriver, "No MIDI service is available."},
    {result::kNoMem, "Not enough memory for the MIDI device."},
    {result::kInvalidParam, "A parameter passed to the MIDI service is not valid."},
    {result::kUnprepared, "The MIDI buffer was not prepared."},
    {result::kStillPlaying, "The MIDI buffers are still in use."},
    {result::kNotReady, "The MIDI device is busy."},
    {result::kDeviceLost, "The MIDI device was removed or its MIDI service stopped."},
}};

}  // namespace

std::chrono::steady_clock::time_point MidiDevice::EventTime() const {
    return std::chrono::steady_clock::now();
}

bool StandardErrorText(MidiResult code, std::string& text) {
    for (const auto& [c, t] : kErrorTexts) {
        if (c == code) {
            text = t;
            return true;
        }
    }
    return false;
}

int ShortMessageLength(std::uint8_t status) {
    if (status < 0x80) return 0;
    if (status < 0xF0) return (status & 0xE0) == 0xC0 ? 2 : 3;  // Cx and Dx carry one byte
    switch (status) {
        case 0xF1:
        case 0xF3:
            return 2;
        case 0xF2:
            return 3;
        case 0xF0:
        case 0xF7:
            return 0;
        default:
            return 1;
    }
}

MidiResult MidiService::InPrepareHeader(MidiDevice* handle, MidiHeader* header) {
    InputDevice* device = In(handle);
    return device ? device->Prepare(header) : result::kInvalidHandle;
}

MidiResult MidiService::InUnprepareHeader(MidiDevice* handle, MidiHeader* header) {
    InputDevice* device = In(handle);
    return device ? device->Unprepare(header) : result::kInvalidHandle;
}

MidiResult MidiService::InAddBuffer(MidiDevice* handle, MidiHeader* header) {
    InputDevice* device = In(handle);
    return device ? device->AddBuffer(header) : result::kInvalidHandle;
}

MidiResult MidiService::InStart(MidiDevice* handle) {
    InputDevice* device = In(handle);
    return device ? device->Start() : result::kInvalidHandle;
}

MidiResult MidiService::InStop(MidiDevice* handle) {
    InputDevice* device = In(handle);
    return device ? device->Stop() : result::kInvalidHandle;
}

MidiResult MidiService::InReset(MidiDevice* handle) {
    InputDevice* device = In(handle);
    return device ? device->Reset() : result::kInvalidHandle;
}

bool MidiService::InErrorText(MidiResult code, std::string& text) {
    return StandardErrorText(code, text);
}

MidiResult MidiService::OutShortMsg(MidiDevice* handle, std::uint32_t message) {
    OutputDevice* device = Out(handle);
    if (device == nullptr) return result::kInvalidHandle;
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(message),
                                   static_cast<std::uint8_t>(message >> 8),
                                   static_cast<std::uint8_t>(message >> 16)};
    const int length = ShortMessageLength(bytes[0]);
    if (length == 0) return result::kInvalidParam;
    return device->SendBytes(bytes, static_cast<std::size_t>(length));
}

MidiResult MidiService::OutPrepareHeader(MidiDevice* handle, MidiHeader* header) {
    if (Out(handle) == nullptr) return result::kInvalidHandle;
    if (header == nullptr || header->data == nullptr || header->bufferLength == 0)
        return result::kInvalidParam;
    header->flags.fetch_or(kHdrPrepared);
    return result::kOk;
}

MidiResult MidiService::OutLongMsg(MidiDevice* handle, MidiHeader* header) {
    OutputDevice* device = Out(handle);
    if (device == nullptr) return result::kInvalidHandle;
    if (header == nullptr) return result::kInvalidParam;
    const std::uint32_t flags = header->flags.load();
    if (!(flags & kHdrPrepared)) return result::kUnprepared;
    if (flags & kHdrInQueue) return result::kStillPlaying;
    header->flags.store(flags & ~kHdrDone);
    return device->SendBlock(header);
}

MidiResult MidiService::OutUnprepareHeader(MidiDevice* handle, MidiHeader* header) {
    if (Out(handle) == nullptr) return result::kInvalidHandle;
    if (header == nullptr) return result::kInvalidParam;
    if (header->flags.load() & kHdrInQueue) return result::kStillPlaying;
    header->flags.fetch_and(~kHdrPrepared);
    return result::kOk;
}

MidiResult MidiService::OutReset(MidiDevice* handle) {
    OutputDevice* device = Out(handle);
    return device ? device->ResetBlocks() : result::kInvalidHandle;
}

bool MidiService::OutErrorText(MidiResult code, std::string& text) {
    return StandardErrorText(code, text);
}

}  // namespace midiports
