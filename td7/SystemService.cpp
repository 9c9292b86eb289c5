#include "td7/SystemService.h"

#include "midiports/CompositeService.h"
#include "midiports/RtMidiService.h"
#include "td7/VirtualTd7Service.h"

namespace app {

std::unique_ptr<midiports::MidiService> MakeSystemService() {
    return std::make_unique<midiports::CompositeService>(
        std::make_unique<midiports::RtMidiService>(), std::make_unique<VirtualTd7Service>());
}

}  // namespace app
