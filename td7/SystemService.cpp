#include "CompositeService.h"
#include "RtMidiService.h"
#include "VirtualTd7Service.h"

namespace midiports {

std::unique_ptr<MidiService> MakeSystemService() {
    return std::make_unique<CompositeService>(std::make_unique<RtMidiService>(),
                                              std::make_unique<VirtualTd7Service>());
}

}  // namespace midiports
