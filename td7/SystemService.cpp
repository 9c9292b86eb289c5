#include "td7/SystemService.h"

#include "midiports/CompositeService.h"
#include "midiports/RtMidiService.h"
#include "td7/VirtualTd7Service.h"

namespace td7 {

std::unique_ptr<midiports::MidiService> MakeSystemService(
    std::function<void(const std::string& line)> notice) {
    return std::make_unique<midiports::CompositeService>(
        std::make_unique<midiports::RtMidiService>("Tamboro", std::move(notice)),
        std::make_unique<VirtualTd7Service>());
}

}  // namespace td7
