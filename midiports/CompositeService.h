#pragma once

#include <memory>

#include "MidiService.h"

namespace midiports {

// Two services as one: the first one's devices, then the second one's, in both lists.
// The mapper (-1) is the first one's. Calls on a handle go to the service that opened it.
class CompositeService : public MidiService {
  public:
    CompositeService(std::unique_ptr<MidiService> first, std::unique_ptr<MidiService> second);

    MidiService& First() { return *m_first; }
    MidiService& Second() { return *m_second; }

    int InDeviceCount() override;
    MidiResult InProductName(int id, std::string& name) override;
    MidiResult InOpen(MidiDevice** handle, int id, MidiCallback callback, void* instance) override;
    MidiResult InClose(MidiDevice* handle) override;
    MidiResult InPrepareHeader(MidiDevice* handle, MidiHeader* header) override;
    MidiResult InUnprepareHeader(MidiDevice* handle, MidiHeader* header) override;
    MidiResult InAddBuffer(MidiDevice* handle, MidiHeader* header) override;
    MidiResult InStart(MidiDevice* handle) override;
    MidiResult InStop(MidiDevice* handle) override;
    MidiResult InReset(MidiDevice* handle) override;

    int OutDeviceCount() override;
    MidiResult OutProductName(int id, std::string& name) override;
    MidiResult OutOpen(MidiDevice** handle, int id, MidiCallback callback, void* instance) override;
    MidiResult OutClose(MidiDevice* handle) override;
    MidiResult OutShortMsg(MidiDevice* handle, std::uint32_t message) override;
    MidiResult OutPrepareHeader(MidiDevice* handle, MidiHeader* header) override;
    MidiResult OutLongMsg(MidiDevice* handle, MidiHeader* header) override;
    MidiResult OutUnprepareHeader(MidiDevice* handle, MidiHeader* header) override;
    MidiResult OutReset(MidiDevice* handle) override;

  private:
    std::unique_ptr<MidiService> m_first;
    std::unique_ptr<MidiService> m_second;
};

}  // namespace midiports
