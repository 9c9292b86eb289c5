#include <cstdlib>

#include "midiports/CompositeService.h"
#include "midiports/RtMidiService.h"
#include "simulator/Td7Module.h"
#include "simulator/VirtualTd7.h"
#include "td7/session/VirtualTd7Service.h"
#include "tests/midiports/PortFixture.h"

namespace porttest {
namespace {

using td7::VirtualTd7Service;
using midiports::CompositeService;

TEST(RtMidiNames, ClientAndPortNumbersAreLeftOut) {
    using midiports::RtMidiService;
    EXPECT_EQ(RtMidiService::ProductName("UM-ONE:UM-ONE MIDI 1 20:0"), "UM-ONE:UM-ONE MIDI 1");
    EXPECT_EQ(RtMidiService::ProductName("Midi Through:Midi Through Port-0 14:0"),
              "Midi Through:Midi Through Port-0");
    EXPECT_EQ(RtMidiService::ProductName("td7sim Out:TD-7 Simulator"), "td7sim Out:TD-7 Simulator");
    EXPECT_EQ(RtMidiService::ProductName("Port 1:2:3"), "Port 1:2:3");
    EXPECT_EQ(RtMidiService::ProductName("Port :1"), "Port :1");
}

class CompositeFixture : public ::testing::Test {
  protected:
    CompositeFixture() {
        auto fakeService = std::make_unique<testsupport::FakeMidiService>(
            std::vector<std::string>{"In A"}, std::vector<std::string>{"Out A", "Out B"});
        auto virtualService = std::make_unique<VirtualTd7Service>();
        fake = fakeService.get();
        td7 = virtualService.get();
        service =
            std::make_unique<CompositeService>(std::move(fakeService), std::move(virtualService));
    }

    testsupport::FakeMidiService* fake = nullptr;
    VirtualTd7Service* td7 = nullptr;
    std::unique_ptr<CompositeService> service;
    midiports::ManualPortWindow inWindow;
    midiports::ManualPortWindow outWindow;
};

TEST_F(CompositeFixture, TheVirtualModuleComesAfterTheSystemDevices) {
    midiports::TMidiInput input(*service, inWindow);
    midiports::TMidiOutput output(*service, outWindow);
    input.SetProductName("Virtual TD-7");
    EXPECT_EQ(input.DeviceID(), 1);
    output.SetProductName("Virtual TD-7");
    EXPECT_EQ(output.DeviceID(), 2);
    output.SetDeviceID(-1);
    EXPECT_EQ(output.ProductName(), "Tamboro");
    EXPECT_THROW(output.SetDeviceID(3), midiports::EmidioutputError);

    // Calls on a handle reach the service that opened it, scripted failures included.
    input.SetDeviceID(0);
    input.Open();
    ASSERT_TRUE(input.IsOpen());
    fake->FailNext(Call::InStart, midiports::result::kNotReady);
    EXPECT_THROW(input.Start(), midiports::EMidiInputError);
}

TEST_F(CompositeFixture, TheVirtualModuleAnswersThroughThePorts) {
    midiports::TMidiInput input(*service, inWindow);
    midiports::TMidiOutput output(*service, outWindow);
    input.SetDeviceID(1);
    input.SetSysexOnly(true);
    input.Open();
    input.Start();
    output.SetDeviceID(2);
    ASSERT_TRUE(output.Open());
    // Opened once at a time, like a device.
    midiports::TMidiOutput second(*service, outWindow);
    second.SetDeviceID(2);
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.LastResult(), midiports::result::kAllocated);

    const Bytes request{0xF0, 0x41, 0x10, 0x58, 0x11, 0x00, 0x02, 0x01,
                        0x00, 0x00, 0x00, 0x00, 0x0B, 0x72, 0xF7};  // patch 3, trigger 1
    output.SendLong(request.data(), static_cast<std::uint16_t>(request.size()));
    std::unique_ptr<midiports::TMyMidiEvent> answer;
    ASSERT_TRUE(inWindow.PumpUntil([&] { return (answer = input.TakeEvent()) != nullptr; }));

    std::lock_guard lock(td7->Module().ModuleMutex());
    const auto expected = td7->Module().Module().Receive(request.data(), request.size());
    ASSERT_EQ(expected.size(), 1u);
    EXPECT_EQ(EventBytes(*answer), expected[0]);
}

}  // namespace
}  // namespace porttest

// RtMidi's JACK output keeps its ring buffers when it cannot reach a server; that is
// RtMidi's leak, not ours, and only a leak checker sees it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:jack_ringbuffer_create\n";
}

namespace porttest {
namespace {

// JACK without a server: one line says so, the libraries say nothing on standard error,
// nothing is listed and nothing opens.
TEST(RtMidiWithoutServer, SaysSoOnceListsNothingAndOpensNothing) {
    ::setenv("TAMBORO_MIDI_API", "jack", 1);
    ::setenv("JACK_DEFAULT_SERVER", "tamboro-no-such-server", 1);
    ::unsetenv("TAMBORO_MIDI_DEBUG");
    std::vector<std::string> notices;
    ::testing::internal::CaptureStderr();
    {
        midiports::RtMidiService service("tamboro-test",
                                         [&](const std::string& line) { notices.push_back(line); });
        EXPECT_FALSE(service.Available());
        EXPECT_EQ(service.InDeviceCount(), 0);
        EXPECT_EQ(service.OutDeviceCount(), 0);
        midiports::ManualPortWindow window;
        midiports::TMidiOutput mapper(service, window);
        mapper.SetDeviceID(-1);
        EXPECT_EQ(mapper.ProductName(), "Tamboro");
        EXPECT_FALSE(mapper.Open());
        EXPECT_EQ(mapper.Handle(), nullptr);
        EXPECT_NE(mapper.LastResult(), midiports::result::kOk);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ::unsetenv("TAMBORO_MIDI_API");
    EXPECT_EQ(notices, std::vector<std::string>{"No MIDI service: no JACK server is running"});
}

}  // namespace
}  // namespace porttest
