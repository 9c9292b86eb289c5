#include "td7/session/VirtualTd7Service.h"

#include <mutex>

#include "midiports/InputDevice.h"
#include "midiports/OutputDevice.h"
#include "simulator/VirtualTd7.h"

namespace td7 {

using namespace midiports;

namespace {

class ModuleOutput : public OutputDevice {
  public:
    ModuleOutput(MidiService& owner, simulator::VirtualTd7& module)
        : OutputDevice(owner), m_module(module) {}
    MidiResult SendBytes(const std::uint8_t* data, std::size_t length) override {
        m_module.Send(data, length);
        return result::kOk;
    }

  private:
    simulator::VirtualTd7& m_module;
};

}  // namespace

struct VirtualTd7Service::Impl {
    explicit Impl(MidiService& owner)
        : input(owner),
          module([this](const std::uint8_t* data, std::size_t length) {
              input.Deliver(data, length);  // the module's thread
          }),
          output(owner, module) {}

    // The module answers into the input, so it goes first when the service goes.
    InputDevice input;
    simulator::VirtualTd7 module;
    ModuleOutput output;
    bool inputOpen = false;
    bool outputOpen = false;
};

VirtualTd7Service::VirtualTd7Service() : m_impl(std::make_unique<Impl>(*this)) {
    // A newcomer trying the editor should find kits and instruments to look at, as on a
    // module fresh from the factory.
    std::lock_guard lock(m_impl->module.ModuleMutex());
    m_impl->module.Module().LoadFactory();
}

VirtualTd7Service::~VirtualTd7Service() = default;

simulator::VirtualTd7& VirtualTd7Service::Module() {
    return m_impl->module;
}

MidiResult VirtualTd7Service::InProductName(int id, std::string& name) {
    if (id != 0) return result::kBadDeviceId;
    name = kName;
    return result::kOk;
}

MidiResult VirtualTd7Service::InOpen(MidiDevice** handle, int id, MidiCallback callback,
                                     void* instance) {
    *handle = nullptr;
    if (id != 0) return result::kBadDeviceId;
    if (m_impl->inputOpen) return result::kAllocated;
    m_impl->input.Attach(callback, instance);
    m_impl->inputOpen = true;
    *handle = &m_impl->input;
    return result::kOk;
}

MidiResult VirtualTd7Service::InClose(MidiDevice* handle) {
    if (handle != &m_impl->input || !m_impl->inputOpen) return result::kInvalidHandle;
    m_impl->input.Close();
    m_impl->inputOpen = false;
    return result::kOk;
}

MidiResult VirtualTd7Service::OutProductName(int id, std::string& name) {
    if (id != 0) return result::kBadDeviceId;
    name = kName;
    return result::kOk;
}

MidiResult VirtualTd7Service::OutOpen(MidiDevice** handle, int id, MidiCallback callback,
                                      void* instance) {
    *handle = nullptr;
    if (id != 0) return result::kBadDeviceId;
    if (m_impl->outputOpen) return result::kAllocated;
    m_impl->output.Attach(callback, instance);
    m_impl->outputOpen = true;
    *handle = &m_impl->output;
    return result::kOk;
}

MidiResult VirtualTd7Service::OutClose(MidiDevice* handle) {
    if (handle != &m_impl->output || !m_impl->outputOpen) return result::kInvalidHandle;
    m_impl->output.Detach();
    m_impl->outputOpen = false;
    return result::kOk;
}

}  // namespace td7
