#include "tests/support/FakeMidiService.h"

#include <atomic>

namespace testsupport {

using midiports::MidiResult;
namespace result = midiports::result;

struct FakeMidiService::Input : midiports::InputDevice {
    using InputDevice::InputDevice;
    std::atomic<bool> open{false};
    std::atomic<bool> lost{false};
    std::atomic<bool> unplugged{false};
};

struct FakeMidiService::Output : midiports::OutputDevice {
    Output(FakeMidiService& fake) : OutputDevice(fake), service(fake) {}

    MidiResult SendBytes(const std::uint8_t* data, std::size_t length) override {
        if (lost) return result::kDeviceLost;
        if (unplugged) return result::kOk;
        {
            std::lock_guard lock(service.m_mutex);
            sent.push_back({length > 3 || data[0] == 0xF0, {data, data + length}});
        }
        Taken();
        return result::kOk;
    }

    MidiResult SendBlock(MidiHeader* header) override {
        if (lost) return result::kDeviceLost;
        if (unplugged) return OutputDevice::SendBlock(header);
        bool held = false;
        {
            std::lock_guard lock(service.m_mutex);
            if (service.m_hold) {
                sent.push_back({true, {header->data, header->data + header->bufferLength}});
                header->flags.fetch_or(midiports::kHdrInQueue);
                service.m_held.emplace_back(this, header);
                held = true;
            }
        }
        if (held) {
            Taken();
            return result::kOk;
        }
        return OutputDevice::SendBlock(header);
    }

    MidiResult ResetBlocks() override {
        std::vector<MidiHeader*> mine;
        {
            std::lock_guard lock(service.m_mutex);
            std::erase_if(service.m_held, [&](const auto& held) {
                if (held.first != this) return false;
                mine.push_back(held.second);
                return true;
            });
        }
        for (MidiHeader* header : mine) Complete(header);
        return result::kOk;
    }

    // Counts what the device took, for UnplugAfter; the block itself still goes out.
    void Taken() {
        if (unplugAfter > 0 && --unplugAfter == 0) service.Unplug(name);
    }

    FakeMidiService& service;
    std::string name;
    std::atomic<bool> open{false};
    std::atomic<bool> lost{false};
    std::atomic<bool> unplugged{false};
    std::size_t unplugAfter = 0;
    std::vector<Sent> sent;  // under service.m_mutex
};

FakeMidiService::FakeMidiService(std::vector<std::string> inputs, std::vector<std::string> outputs,
                                 std::string mapper)
    : m_inputNames(std::move(inputs)),
      m_outputNames(std::move(outputs)),
      m_mapperName(std::move(mapper)) {
    for (std::size_t i = 0; i < m_inputNames.size(); ++i)
        m_inputs.push_back(std::make_unique<Input>(*this));
    for (std::size_t i = 0; i <= m_outputNames.size(); ++i) {
        m_outputs.push_back(std::make_unique<Output>(*this));
        m_outputs.back()->name = i == 0 ? m_mapperName : m_outputNames[i - 1];
    }
}

FakeMidiService::~FakeMidiService() {
    for (auto& input : m_inputs) input->Close();
    for (auto& output : m_outputs) output->Detach();
}

void FakeMidiService::AddInput(const std::string& name) {
    m_inputNames.push_back(name);
    m_inputs.push_back(std::make_unique<Input>(*this));
}

void FakeMidiService::AddOutput(const std::string& name) {
    m_outputNames.push_back(name);
    m_outputs.push_back(std::make_unique<Output>(*this));
    m_outputs.back()->name = name;
}

void FakeMidiService::Unplug(const std::string& name) {
    for (std::size_t i = 0; i < m_inputs.size(); ++i)
        if (m_inputNames[i] == name) m_inputs[i]->unplugged = true;
    for (std::size_t i = 1; i < m_outputs.size(); ++i)
        if (m_outputNames[i - 1] == name) m_outputs[i]->unplugged = true;
}

void FakeMidiService::Plug(const std::string& name) {
    for (std::size_t i = 0; i < m_inputs.size(); ++i)
        if (m_inputNames[i] == name) m_inputs[i]->unplugged = false;
    for (std::size_t i = 1; i < m_outputs.size(); ++i)
        if (m_outputNames[i - 1] == name) m_outputs[i]->unplugged = false;
}

void FakeMidiService::UnplugAfter(int output, std::size_t messages) {
    OutputById(output)->unplugAfter = messages;
}

int FakeMidiService::ListedInput(int id) const {
    for (std::size_t i = 0; i < m_inputs.size(); ++i)
        if (!m_inputs[i]->unplugged && id-- == 0) return static_cast<int>(i);
    return -1;
}

int FakeMidiService::ListedOutput(int id) const {
    if (id == -1) return -1;
    for (std::size_t i = 1; i < m_outputs.size(); ++i)
        if (!m_outputs[i]->unplugged && id-- == 0) return static_cast<int>(i) - 1;
    return -2;
}

void FakeMidiService::FailNext(Call call, MidiResult code, int times) {
    m_failures[static_cast<std::size_t>(call)] = {code, times};
}

void FakeMidiService::FailAlways(Call call, MidiResult code) {
    m_failures[static_cast<std::size_t>(call)] = {code, code == 0 ? 0 : -1};
}

void FakeMidiService::SetErrorText(MidiResult code, std::string text) {
    m_texts[code] = std::move(text);
}

int FakeMidiService::Calls(Call call) const {
    return m_calls[static_cast<std::size_t>(call)];
}

MidiResult FakeMidiService::Scripted(Call call) {
    const auto i = static_cast<std::size_t>(call);
    ++m_calls[i];
    Failure& failure = m_failures[i];
    if (failure.remaining == 0) return result::kOk;
    if (failure.remaining > 0) --failure.remaining;
    return failure.code;
}

FakeMidiService::Input* FakeMidiService::FindInput(MidiDevice* handle) const {
    for (const auto& input : m_inputs)
        if (input.get() == handle) return input.get();
    return nullptr;
}

FakeMidiService::Output* FakeMidiService::FindOutput(MidiDevice* handle) const {
    for (const auto& output : m_outputs)
        if (output.get() == handle) return output.get();
    return nullptr;
}

FakeMidiService::Output* FakeMidiService::OutputById(int id) const {
    if (id < -1 || id >= static_cast<int>(m_outputNames.size())) return nullptr;
    return m_outputs[static_cast<std::size_t>(id + 1)].get();
}

void FakeMidiService::Inject(int input, const std::vector<std::uint8_t>& bytes) {
    Input& device = *m_inputs.at(static_cast<std::size_t>(input));
    if (!device.unplugged) device.Deliver(bytes.data(), bytes.size());
}

void FakeMidiService::InjectEmptyBlock(int input) {
    m_inputs.at(static_cast<std::size_t>(input))->DeliverEmptyBlock();
}

void FakeMidiService::LoseInput(int input) {
    Input& device = *m_inputs.at(static_cast<std::size_t>(input));
    device.lost = true;
    device.ReportLost();
}

bool FakeMidiService::InputOpen(int input) const {
    return m_inputs.at(static_cast<std::size_t>(input))->open;
}

int FakeMidiService::QueuedBuffers(int input) const {
    return m_inputs.at(static_cast<std::size_t>(input))->QueuedBuffers();
}

void FakeMidiService::HoldBlocks(bool hold) {
    std::lock_guard lock(m_mutex);
    m_hold = hold;
}

void FakeMidiService::CompleteHeld() {
    std::vector<std::pair<Output*, MidiHeader*>> held;
    {
        std::lock_guard lock(m_mutex);
        held.swap(m_held);
    }
    for (auto& [output, header] : held) output->Complete(header);
}

int FakeMidiService::HeldBlocks() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_held.size());
}

void FakeMidiService::LoseOutput(int output) {
    Output& device = *OutputById(output);
    device.lost = true;
    device.ReportLost();
}

bool FakeMidiService::OutputOpen(int output) const {
    return OutputById(output)->open;
}

std::vector<FakeMidiService::Sent> FakeMidiService::SentTo(int output) const {
    std::lock_guard lock(m_mutex);
    return OutputById(output)->sent;
}

int FakeMidiService::InDeviceCount() {
    int count = 0;
    for (const auto& input : m_inputs) count += input->unplugged ? 0 : 1;
    return count;
}

MidiResult FakeMidiService::InProductName(int id, std::string& name) {
    if (MidiResult r = Scripted(Call::InProductName)) return r;
    if (id < 0 || id >= InDeviceCount()) return result::kBadDeviceId;
    name = m_inputNames[static_cast<std::size_t>(ListedInput(id))];
    return result::kOk;
}

MidiResult FakeMidiService::InOpen(MidiDevice** handle, int id, midiports::MidiCallback callback,
                                   void* instance) {
    *handle = nullptr;
    if (MidiResult r = Scripted(Call::InOpen)) return r;
    if (id < 0 || id >= InDeviceCount()) return result::kBadDeviceId;
    Input& device = *m_inputs[static_cast<std::size_t>(ListedInput(id))];
    if (device.lost) return result::kDeviceLost;
    if (device.open) return result::kAllocated;
    device.Attach(callback, instance);
    device.open = true;
    *handle = &device;
    return result::kOk;
}

MidiResult FakeMidiService::InClose(MidiDevice* handle) {
    if (MidiResult r = Scripted(Call::InClose)) return r;
    Input* device = FindInput(handle);
    if (device == nullptr || !device->open) return result::kInvalidHandle;
    if (device->QueuedBuffers() != 0) return result::kStillPlaying;
    device->Close();
    device->open = false;
    return result::kOk;
}

MidiResult FakeMidiService::InPrepareHeader(MidiDevice* handle, MidiHeader* header) {
    if (MidiResult r = Scripted(Call::InPrepareHeader)) return r;
    Input* device = FindInput(handle);
    if (device != nullptr && device->lost) return result::kDeviceLost;
    return MidiService::InPrepareHeader(handle, header);
}

MidiResult FakeMidiService::InUnprepareHeader(MidiDevice* handle, MidiHeader* header) {
    if (MidiResult r = Scripted(Call::InUnprepareHeader)) return r;
    return MidiService::InUnprepareHeader(handle, header);
}

MidiResult FakeMidiService::InAddBuffer(MidiDevice* handle, MidiHeader* header) {
    if (MidiResult r = Scripted(Call::InAddBuffer)) return r;
    Input* device = FindInput(handle);
    if (device != nullptr && device->lost) return result::kDeviceLost;
    return MidiService::InAddBuffer(handle, header);
}

MidiResult FakeMidiService::InStart(MidiDevice* handle) {
    if (MidiResult r = Scripted(Call::InStart)) return r;
    Input* device = FindInput(handle);
    if (device != nullptr && device->lost) return result::kDeviceLost;
    return MidiService::InStart(handle);
}

MidiResult FakeMidiService::InStop(MidiDevice* handle) {
    if (MidiResult r = Scripted(Call::InStop)) return r;
    return MidiService::InStop(handle);
}

MidiResult FakeMidiService::InReset(MidiDevice* handle) {
    if (MidiResult r = Scripted(Call::InReset)) return r;
    return MidiService::InReset(handle);
}

bool FakeMidiService::InErrorText(MidiResult code, std::string& text) {
    if (auto it = m_texts.find(code); it != m_texts.end()) {
        text = it->second;
        return true;
    }
    return MidiService::InErrorText(code, text);
}

int FakeMidiService::OutDeviceCount() {
    int count = 0;
    for (std::size_t i = 1; i < m_outputs.size(); ++i) count += m_outputs[i]->unplugged ? 0 : 1;
    return count;
}

MidiResult FakeMidiService::OutProductName(int id, std::string& name) {
    if (MidiResult r = Scripted(Call::OutProductName)) return r;
    if (id < -1 || id >= OutDeviceCount()) return result::kBadDeviceId;
    name = id == -1 ? m_mapperName : m_outputNames[static_cast<std::size_t>(ListedOutput(id))];
    return result::kOk;
}

MidiResult FakeMidiService::OutOpen(MidiDevice** handle, int id, midiports::MidiCallback callback,
                                    void* instance) {
    *handle = nullptr;
    if (MidiResult r = Scripted(Call::OutOpen)) return r;
    Output* device = id < -1 || id >= OutDeviceCount() ? nullptr : OutputById(ListedOutput(id));
    if (device == nullptr) return result::kBadDeviceId;
    if (device->lost) return result::kDeviceLost;
    if (device->open) return result::kAllocated;
    device->Attach(callback, instance);
    device->open = true;
    *handle = device;
    return result::kOk;
}

MidiResult FakeMidiService::OutClose(MidiDevice* handle) {
    if (MidiResult r = Scripted(Call::OutClose)) return r;
    Output* device = FindOutput(handle);
    if (device == nullptr || !device->open) return result::kInvalidHandle;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& held : m_held)
            if (held.first == device) return result::kStillPlaying;
    }
    device->Detach();
    device->open = false;
    return result::kOk;
}

MidiResult FakeMidiService::OutShortMsg(MidiDevice* handle, std::uint32_t message) {
    if (MidiResult r = Scripted(Call::OutShortMsg)) return r;
    return MidiService::OutShortMsg(handle, message);
}

MidiResult FakeMidiService::OutPrepareHeader(MidiDevice* handle, MidiHeader* header) {
    if (MidiResult r = Scripted(Call::OutPrepareHeader)) return r;
    return MidiService::OutPrepareHeader(handle, header);
}

MidiResult FakeMidiService::OutLongMsg(MidiDevice* handle, MidiHeader* header) {
    if (MidiResult r = Scripted(Call::OutLongMsg)) return r;
    Output* device = FindOutput(handle);
    if (device != nullptr && device->lost) return result::kDeviceLost;
    return MidiService::OutLongMsg(handle, header);
}

MidiResult FakeMidiService::OutUnprepareHeader(MidiDevice* handle, MidiHeader* header) {
    if (MidiResult r = Scripted(Call::OutUnprepareHeader)) return r;
    return MidiService::OutUnprepareHeader(handle, header);
}

MidiResult FakeMidiService::OutReset(MidiDevice* handle) {
    if (MidiResult r = Scripted(Call::OutReset)) return r;
    return MidiService::OutReset(handle);
}

bool FakeMidiService::OutErrorText(MidiResult code, std::string& text) {
    return InErrorText(code, text);
}

}  // namespace testsupport
