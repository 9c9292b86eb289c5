#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "midiports/ManualPortWindow.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "tests/support/FakeMidiService.h"

namespace porttest {

using Bytes = std::vector<std::uint8_t>;
using Call = testsupport::FakeMidiService::Call;

// Runs f on a thread of its own, as the service's thread, and waits for it.
template <class F>
void OnServiceThread(F&& f) {
    std::thread thread(std::forward<F>(f));
    thread.join();
}

inline Bytes Sysex(std::initializer_list<std::uint8_t> body) {
    Bytes bytes;
    bytes.reserve(body.size() + 2);
    bytes.push_back(0xF0);
    for (std::uint8_t b : body) bytes.push_back(b);
    bytes.push_back(0xF7);
    return bytes;
}

inline Bytes EventBytes(const midiports::TMyMidiEvent& event) {
    return Bytes(event.SysexData.get(), event.SysexData.get() + event.SysexSize);
}

class InputFixture : public ::testing::Test {
  protected:
    testsupport::FakeMidiService fake{{"In A", "In B"}, {"Out A", "Out B"}};
    midiports::ManualPortWindow window;
    std::unique_ptr<midiports::TMidiInput> input =
        std::make_unique<midiports::TMidiInput>(fake, window);

    void OpenAndStart() {
        input->Open();
        ASSERT_TRUE(input->IsOpen());
        input->Start();
    }
    void Inject(const Bytes& bytes, int device = 0) {
        OnServiceThread([&] { fake.Inject(device, bytes); });
    }
    std::vector<Bytes> TakeAllSysex() {
        std::vector<Bytes> out;
        while (auto event = input->TakeEvent())
            if (event->StatusByte == 0xF0) out.push_back(EventBytes(*event));
        return out;
    }
};

}  // namespace porttest
