// The input port fed from a second thread, as the MIDI service feeds it: the fuzz input
// sets up the port (ring capacity, receive buffers, short messages on or off) and is then
// cut into chunks of bytes, each handed to the device on the service's thread while the
// GUI thread takes the events. Whatever arrives, every event is well formed, nothing is
// counted twice, and when the port closes every receive buffer is back. The service can be
// told to fail one call that hands a buffer back to it, as a driver short of memory does.
//
// Input: capacity, buffer count, buffer size, flags, failures, then chunks of (length,
// bytes). Failures: the low nibble numbers the InPrepareHeader call that fails after Open
// (0: none), the high nibble the InAddBuffer call.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "midiports/InputDevice.h"
#include "midiports/ManualPortWindow.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiService.h"

namespace {

namespace result = midiports::result;
using midiports::MidiDevice;
using midiports::MidiResult;

// One input device and nothing else.
class OneInputService : public midiports::MidiService {
  public:
    int InDeviceCount() override { return 1; }
    MidiResult InProductName(int id, std::string& name) override {
        if (id != 0) return result::kBadDeviceId;
        name = "Fuzz In";
        return result::kOk;
    }
    MidiResult InOpen(MidiDevice** handle, int id, midiports::MidiCallback callback,
                      void* instance) override {
        *handle = nullptr;
        if (id != 0) return result::kBadDeviceId;
        device.Attach(callback, instance);
        *handle = &device;
        return result::kOk;
    }
    MidiResult InPrepareHeader(MidiDevice* handle, midiports::MidiHeader* header) override {
        if (counting && ++prepares == failPrepareAt) return result::kNoMem;
        return MidiService::InPrepareHeader(handle, header);
    }
    MidiResult InAddBuffer(MidiDevice* handle, midiports::MidiHeader* header) override {
        if (counting && ++adds == failAddAt) return result::kNoMem;
        return MidiService::InAddBuffer(handle, header);
    }
    MidiResult InClose(MidiDevice* handle) override {
        if (handle != &device) return result::kInvalidHandle;
        if (device.QueuedBuffers() != 0) return result::kStillPlaying;
        device.Close();
        return result::kOk;
    }
    int OutDeviceCount() override { return 0; }
    MidiResult OutProductName(int, std::string&) override { return result::kBadDeviceId; }
    MidiResult OutOpen(MidiDevice** handle, int, midiports::MidiCallback, void*) override {
        *handle = nullptr;
        return result::kBadDeviceId;
    }
    MidiResult OutClose(MidiDevice*) override { return result::kInvalidHandle; }

    midiports::InputDevice device{*this};
    bool counting = false;  // GUI thread only: the port hands buffers back there
    int prepares = 0;
    int adds = 0;
    int failPrepareAt = 0;
    int failAddAt = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const auto capacity = static_cast<std::uint16_t>(1 + in.Byte() % 16);
    const auto bufferCount = static_cast<std::uint16_t>(in.Byte() % 8);
    const auto bufferSize = static_cast<std::uint16_t>(in.Byte());
    const std::uint8_t flags = in.Byte();
    const bool sysexOnly = flags & 1;
    const bool stopEarly = flags & 2;  // close the port while the service still sends
    const std::uint8_t failures = in.Byte();
    std::vector<std::span<const std::uint8_t>> chunks;
    while (!in.Empty()) chunks.push_back(in.Take(in.Byte() % 64));

    OneInputService service;
    midiports::ManualPortWindow window;
    midiports::TMidiInput input(service, window);
    input.SetCapacity(capacity);
    input.SetSysexBufferCount(bufferCount);
    input.SetSysexBufferSize(bufferSize);
    input.SetSysexOnly(sysexOnly);
    input.Open();
    FUZZ_CHECK(input.IsOpen());
    input.Start();
    service.counting = true;
    service.failPrepareAt = failures & 0x0F;
    service.failAddAt = failures >> 4;
    const bool failing = failures != 0;
    const int pool = bufferSize != 0 ? bufferCount : 0;
    FUZZ_CHECK(service.device.QueuedBuffers() == pool);

    std::uint32_t events = 0;
    std::uint32_t overflows = 0;
    auto check = [&](const midiports::TMyMidiEvent& event) {
        ++events;
        if (event.StatusByte == 0xF0 && event.SysexSize != 0) {
            FUZZ_CHECK(event.SysexSize <= bufferSize);
            FUZZ_CHECK(event.SysexData != nullptr && event.SysexData[0] == 0xF0);
            for (std::uint16_t i = 1; i + 1 < event.SysexSize; ++i)
                FUZZ_CHECK(event.SysexData[i] < 0x80);  // data bytes only inside a block
        } else if (event.StatusByte == 0xF0) {
            FUZZ_CHECK(event.SysexData == nullptr);
        } else {
            FUZZ_CHECK(!sysexOnly);
            FUZZ_CHECK(event.StatusByte >= 0x80);
            FUZZ_CHECK(event.StatusByte != 0xFE && event.StatusByte != 0xF8);
            FUZZ_CHECK(event.SysexSize == 0 && event.SysexData == nullptr);
        }
    };
    input.OnMidiInput = [&](midiports::TMidiInput* sender) {
        FUZZ_CHECK(sender->PendingCount() <= capacity);
        while (auto event = sender->TakeEvent()) check(*event);
    };
    input.OnOverflow = [&](midiports::TMidiInput*) { ++overflows; };

    std::atomic<bool> done{false};
    std::thread serviceThread([&] {
        for (const auto& chunk : chunks) service.device.Deliver(chunk.data(), chunk.size());
        done = true;
    });
    // A failing service call raises out of the handler, as the window then shows it; the
    // events it left wait for the next note or the next call.
    int raised = 0;
    auto pump = [&] {
        try {
            window.Pump();
        } catch (const midiports::EMidiInputError&) {
            FUZZ_CHECK(failing);
            ++raised;
        }
    };
    std::size_t rounds = 0;
    while (!done) {
        pump();
        if (stopEarly && ++rounds == 4) input.Close();
        std::this_thread::yield();
    }
    serviceThread.join();

    if (input.IsOpen()) {
        pump();
        // Each scripted failure happens once, so a third try of the same event goes through.
        for (int attempt = 0; attempt < 3 && input.PendingCount() != 0; ++attempt) {
            try {
                while (auto event = input.TakeEvent()) check(*event);
            } catch (const midiports::EMidiInputError&) {
                FUZZ_CHECK(failing);
            }
        }
        pump();  // the last overflow note gives the lost events' buffers back
        FUZZ_CHECK(input.PendingCount() == 0);
        // A lost event's buffer that the service would not take back is out of circulation
        // until Close; a taken event's buffer is offered again with the event.
        const int refused = (service.failPrepareAt != 0) + (service.failAddAt != 0);
        if (!failing) FUZZ_CHECK(service.device.QueuedBuffers() == pool);
        FUZZ_CHECK(service.device.QueuedBuffers() >= pool - refused);
        FUZZ_CHECK(overflows == input.OverflowCount() + input.DroppedCount());
        input.Stop();
        input.Close();
    } else {
        FUZZ_CHECK(input.PendingCount() == 0 && input.TakeEvent() == nullptr);
    }
    FUZZ_CHECK(!input.IsOpen() && input.Handle() == nullptr);
    FUZZ_CHECK(service.device.QueuedBuffers() == 0);
    return 0;
}
