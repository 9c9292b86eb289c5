#pragma once

#include <memory>

#include "midiports/MidiService.h"

namespace simulator {
class VirtualTd7;
}

namespace td7 {

// The built-in virtual TD-7 as one input and one output device named "Virtual TD-7", so
// that the editor can be tried without the hardware. The module lives as long as the
// service, so its memory survives closing and opening the ports.
class VirtualTd7Service : public midiports::MidiService {
  public:
    static constexpr const char* kName = "Virtual TD-7";

    VirtualTd7Service();
    ~VirtualTd7Service() override;

    simulator::VirtualTd7& Module();

    int InDeviceCount() override { return 1; }
    midiports::MidiResult InProductName(int id, std::string& name) override;
    midiports::MidiResult InOpen(midiports::MidiDevice** handle, int id,
                                 midiports::MidiCallback callback, void* instance) override;
    midiports::MidiResult InClose(midiports::MidiDevice* handle) override;

    int OutDeviceCount() override { return 1; }
    midiports::MidiResult OutProductName(int id, std::string& name) override;
    midiports::MidiResult OutOpen(midiports::MidiDevice** handle, int id,
                                  midiports::MidiCallback callback, void* instance) override;
    midiports::MidiResult OutClose(midiports::MidiDevice* handle) override;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace td7
