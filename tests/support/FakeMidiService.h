#pragma once

// A scriptable MIDI service for tests: device lists, calls that fail with given codes,
// received bytes injected from any thread, output recorded, output blocks held back until
// the test finishes them, and devices that go away while open.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midiports/InputDevice.h"
#include "midiports/MidiService.h"
#include "midiports/OutputDevice.h"

namespace testsupport {

class FakeMidiService : public midiports::MidiService {
  public:
    using MidiResult = midiports::MidiResult;
    using MidiDevice = midiports::MidiDevice;
    using MidiHeader = midiports::MidiHeader;

    enum class Call {
        InProductName,
        InOpen,
        InClose,
        InPrepareHeader,
        InUnprepareHeader,
        InAddBuffer,
        InStart,
        InStop,
        InReset,
        OutProductName,
        OutOpen,
        OutClose,
        OutShortMsg,
        OutPrepareHeader,
        OutLongMsg,
        OutUnprepareHeader,
        OutReset,
        Count
    };

    struct Sent {
        bool isLong = false;
        std::vector<std::uint8_t> bytes;
    };

    explicit FakeMidiService(std::vector<std::string> inputs = {},
                             std::vector<std::string> outputs = {}, std::string mapper = "Tamboro");
    ~FakeMidiService() override;

    // Script. FailNext fails the next `times` calls; FailAlways until cleared with code 0.
    void FailNext(Call call, MidiResult code, int times = 1);
    void FailAlways(Call call, MidiResult code);
    void SetErrorText(MidiResult code, std::string text);
    int Calls(Call call) const;

    // Devices plugged in while running: they join the end of their list, as a new
    // interface does in the system's lists. GUI thread, while nothing injects.
    void AddInput(const std::string& name);
    void AddOutput(const std::string& name);

    // A device that vanishes from the system's lists without a word to the ports open on
    // it, as a JACK client that quits or an interface pulled out: it is no longer listed,
    // what is sent to it goes nowhere and nothing comes from it. Plug lists it again in
    // its place. UnplugAfter unplugs the output's name once it has taken that many
    // messages. GUI thread.
    void Unplug(const std::string& name);
    void Plug(const std::string& name);
    void UnplugAfter(int output, std::size_t messages);

    // Input devices. Inject and the rest may run on any thread (one at a time per device).
    void Inject(int input, const std::vector<std::uint8_t>& bytes);
    void InjectEmptyBlock(int input);
    void LoseInput(int input);  // the device goes away while open
    bool InputOpen(int input) const;
    int QueuedBuffers(int input) const;

    // Output devices (-1 is the mapper).
    void HoldBlocks(bool hold);  // blocks stay queued until CompleteHeld or a reset
    void CompleteHeld();         // any thread
    int HeldBlocks() const;
    void LoseOutput(int output);
    bool OutputOpen(int output) const;
    std::vector<Sent> SentTo(int output) const;

    int InDeviceCount() override;
    MidiResult InProductName(int id, std::string& name) override;
    MidiResult InOpen(MidiDevice** handle, int id, midiports::MidiCallback callback,
                      void* instance) override;
    MidiResult InClose(MidiDevice* handle) override;
    MidiResult InPrepareHeader(MidiDevice* handle, MidiHeader* header) override;
    MidiResult InUnprepareHeader(MidiDevice* handle, MidiHeader* header) override;
    MidiResult InAddBuffer(MidiDevice* handle, MidiHeader* header) override;
    MidiResult InStart(MidiDevice* handle) override;
    MidiResult InStop(MidiDevice* handle) override;
    MidiResult InReset(MidiDevice* handle) override;
    bool InErrorText(MidiResult code, std::string& text) override;

    int OutDeviceCount() override;
    MidiResult OutProductName(int id, std::string& name) override;
    MidiResult OutOpen(MidiDevice** handle, int id, midiports::MidiCallback callback,
                       void* instance) override;
    MidiResult OutClose(MidiDevice* handle) override;
    MidiResult OutShortMsg(MidiDevice* handle, std::uint32_t message) override;
    MidiResult OutPrepareHeader(MidiDevice* handle, MidiHeader* header) override;
    MidiResult OutLongMsg(MidiDevice* handle, MidiHeader* header) override;
    MidiResult OutUnprepareHeader(MidiDevice* handle, MidiHeader* header) override;
    MidiResult OutReset(MidiDevice* handle) override;
    bool OutErrorText(MidiResult code, std::string& text) override;

  private:
    struct Input;
    struct Output;
    struct Failure {
        MidiResult code = 0;
        int remaining = 0;  // -1: always
    };

    MidiResult Scripted(Call call);
    Input* FindInput(MidiDevice* handle) const;
    Output* FindOutput(MidiDevice* handle) const;
    Output* OutputById(int id) const;
    // The device behind a number of the system's lists, which leave out unplugged ones.
    int ListedInput(int id) const;
    int ListedOutput(int id) const;

    std::vector<std::string> m_inputNames;
    std::vector<std::string> m_outputNames;
    std::string m_mapperName;
    std::vector<std::unique_ptr<Input>> m_inputs;
    std::vector<std::unique_ptr<Output>> m_outputs;  // [0] is the mapper
    std::array<Failure, static_cast<std::size_t>(Call::Count)> m_failures{};
    std::array<int, static_cast<std::size_t>(Call::Count)> m_calls{};
    std::map<MidiResult, std::string> m_texts;

    mutable std::mutex m_mutex;  // guards what the outputs record and hold
    bool m_hold = false;
    std::vector<std::pair<Output*, MidiHeader*>> m_held;
};

}  // namespace testsupport
