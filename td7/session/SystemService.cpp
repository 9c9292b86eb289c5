#include "td7/session/SystemService.h"

#include "midiports/CompositeService.h"
#include "midiports/RtMidiService.h"
#include "simulator/VirtualTd7.h"
#include "td7/session/VirtualTd7Service.h"

namespace td7 {

std::unique_ptr<midiports::MidiService> MakeSystemService(
    std::function<void(const std::string& line)> notice,
    const simulator::SimOptions& virtualModule) {
    auto virtualTd7 = std::make_unique<VirtualTd7Service>();
    virtualTd7->Module().Apply(virtualModule);
    return std::make_unique<midiports::CompositeService>(
        std::make_unique<midiports::RtMidiService>("Tamboro", std::move(notice)),
        std::move(virtualTd7));
}

}  // namespace td7
