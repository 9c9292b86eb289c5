// The ports over a real MIDI service: RtMidi on a private JACK server, with td7sim as the
// module in a separate process and plain RtMidi clients as peers. JACK delivers once a
// period, so these tests check contents and order, never how long anything took.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "AllocationCount.h"
#include "JackPeers.h"
#include "midiports/ManualPortWindow.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "midiports/RtMidiService.h"
#include "simulator/Td7Module.h"

namespace porttest {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

Bytes Roland(std::uint8_t command, std::initializer_list<std::uint8_t> body) {
    Bytes m{0xF0, 0x41, 0x10, 0x58, command};
    int sum = 0;
    for (std::uint8_t b : body) {
        m.push_back(b);
        sum += b;
    }
    m.push_back(static_cast<std::uint8_t>((128 - sum % 128) % 128));
    m.push_back(0xF7);
    return m;
}

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

Bytes Pattern(std::size_t length, int seed) {
    Bytes m(length);
    m.front() = 0xF0;
    for (std::size_t i = 1; i + 1 < length; ++i)
        m[i] = static_cast<std::uint8_t>((i * 7 + seed) & 0x7F);
    m.back() = 0xF7;
    return m;
}

class JackPorts : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ::setenv("TAMBORO_MIDI_API", "jack", 1); }

    void SetUp() override {
        service = std::make_unique<midiports::RtMidiService>("tamboro-test");
        ASSERT_TRUE(service->Available());
        ASSERT_EQ(service->ApiName(), "jack");
        input = std::make_unique<midiports::TMidiInput>(*service, inWindow);
        output = std::make_unique<midiports::TMidiOutput>(*service, outWindow);
    }

    void Connect(const std::string& source, const std::string& destination, bool sysexOnly) {
        input->SetProductName(source);
        input->SetSysexOnly(sysexOnly);
        input->Open();
        ASSERT_TRUE(input->IsOpen());
        input->Start();
        output->SetProductName(destination);
        ASSERT_TRUE(output->Open());
    }

    void Send(const Bytes& m) { output->SendLong(m.data(), static_cast<std::uint16_t>(m.size())); }

    // JACK may lose what is sent in the period in which a connection is made. Pings go out
    // until one gets through; then a marker, and everything up to it is dropped.
    bool PingUntil(const std::function<void(std::uint8_t)>& ping,
                   const std::function<bool()>& arrived) {
        for (int k = 0; k < 500; ++k) {
            ping(static_cast<std::uint8_t>(k & 0x7F));
            outWindow.Pump();
            if (inWindow.PumpUntil(arrived, 20ms)) return true;
        }
        return false;
    }
    void DropUntil(const Bytes& marker) {
        ASSERT_TRUE(inWindow.PumpUntil([&] {
            while (auto event = input->TakeEvent())
                if (event->SysexSize == marker.size() &&
                    std::equal(marker.begin(), marker.end(), event->SysexData.get()))
                    return true;
            return false;
        }));
    }
    void SettleInputFrom(JackPeer& peer) {
        ASSERT_TRUE(PingUntil(
            [&](std::uint8_t k) {
                peer.Send({0xF0, 0x7D, k, 0xF7});
            },
            [&] { return input->PendingCount() > 0; }));
        peer.Send(kMarker);
        DropUntil(kMarker);
    }
    void SettleOutputTo(JackPeer& peer) {
        ASSERT_TRUE(PingUntil(
            [&](std::uint8_t k) {
                Send({0xF0, 0x7D, k, 0xF7});
            },
            [&] { return !peer.Received().empty(); }));
        Send(kMarker);
        ASSERT_TRUE(outWindow.PumpUntil([&] {
            const auto received = peer.Received();
            return !received.empty() && received.back() == kMarker;
        }));
        peer.Clear();
    }

    inline static const Bytes kMarker{0xF0, 0x7D, 0x7F, 0x7F, 0xF7};

    // The next received block, or nothing after the deadline.
    Bytes NextBlock() {
        std::unique_ptr<midiports::TMyMidiEvent> event;
        inWindow.PumpUntil([&] { return (event = input->TakeEvent()) != nullptr; }, 10s);
        if (!event || event->SysexSize == 0) return {};
        return Bytes(event->SysexData.get(), event->SysexData.get() + event->SysexSize);
    }

    midiports::ManualPortWindow inWindow;
    midiports::ManualPortWindow outWindow;
    std::unique_ptr<midiports::RtMidiService> service;
    std::unique_ptr<midiports::TMidiInput> input;
    std::unique_ptr<midiports::TMidiOutput> output;
};

TEST_F(JackPorts, Td7SimAnswersRequestsByteForByteAndTakesDataSets) {
    const auto memoryFile =
        std::filesystem::temp_directory_path() / (UniqueName("td7mem") + ".syx");
    testsupport::TTd7SimProcess sim(UniqueName("sim"), {}, memoryFile);
    ASSERT_TRUE(sim.Ready());
    Connect(sim.OutputName(), sim.InputName(), true);

    simulator::Td7Module expected;
    expected.LoadFactory();
    ASSERT_TRUE(PingUntil(
        [&](std::uint8_t k) {
            Send(Roland(0x11, {0x01, 0x00, k, 0x00, 0x00, 0x00, 0x00, 0x16}));
        },
        [&] { return input->PendingCount() > 0; }));
    const Bytes systemRequest = Roland(0x11, {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x17});
    Send(systemRequest);
    DropUntil(expected.Receive(systemRequest.data(), systemRequest.size()).at(0));

    const std::vector<Bytes> requests{
        Roland(0x11, {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x17}),  // system
        Roland(0x11, {0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2F}),  // patch 6 common
        Roland(0x11, {0x01, 0x03, 0x7F, 0x00, 0x00, 0x00, 0x00, 0x16}),  // instrument 511
    };
    for (const Bytes& request : requests) {
        Send(request);
        const auto answers = expected.Receive(request.data(), request.size());
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(NextBlock(), answers[0]);
    }

    // A data set inside patch 6's common block, then the block again.
    const Bytes dataSet = Roland(0x12, {0x00, 0x05, 0x00, 0x02, 'J', 'A', 'C', 'K'});
    Send(dataSet);
    EXPECT_TRUE(expected.Receive(dataSet.data(), dataSet.size()).empty());
    Send(requests[1]);
    const Bytes changed = expected.Receive(requests[1].data(), requests[1].size()).at(0);
    EXPECT_EQ(NextBlock(), changed);

    ASSERT_TRUE(sim.SaveMemory());
    simulator::Td7Module saved;
    saved.LoadMemory(memoryFile);
    EXPECT_EQ(saved.Memory(), expected.Memory());
    std::filesystem::remove(memoryFile);
}

TEST_F(JackPorts, LongBlocksPassIntactBothWays) {
    JackPeer peer;
    Connect(peer.OutputName(), peer.InputName(), true);
    SettleInputFrom(peer);
    SettleOutputTo(peer);
    const Bytes toUs = Pattern(4000, 1);
    peer.Send(toUs);
    EXPECT_EQ(NextBlock(), toUs);

    const Bytes fromUs = Pattern(4000, 2);
    int finished = 0;
    output->Onmidioutput = [&](midiports::TMidiOutput*) { ++finished; };
    Send(fromUs);
    ASSERT_TRUE(outWindow.PumpUntil([&] { return !peer.Received().empty() && finished == 1; }));
    EXPECT_EQ(peer.Received(), std::vector<Bytes>{fromUs});
}

// Paced like a MIDI cable (0.32 ms a byte): JACK carries only so much a period, so an
// unpaced burst would test JACK rather than the ports.
TEST_F(JackPorts, AThousandMessagesAtWireRateArriveCompleteAndInOrder) {
    JackPeer peer;
    Connect(peer.OutputName(), peer.InputName(), false);
    SettleInputFrom(peer);
    SettleOutputTo(peer);
    constexpr int kCount = 1000;
    auto due = std::chrono::steady_clock::now();
    for (int i = 0; i < kCount; ++i) {
        peer.Send({0x90, static_cast<std::uint8_t>(i & 0x7F), static_cast<std::uint8_t>(i >> 7)});
        due += 960us;
        std::this_thread::sleep_until(due);
        inWindow.Pump();
    }
    std::vector<int> received;
    input->OnMidiInput = [&](midiports::TMidiInput*) {
        while (auto event = input->TakeEvent())
            received.push_back(event->DataByte2 << 7 | event->DataByte1);
    };
    ASSERT_TRUE(inWindow.PumpUntil([&] {
        if (input->PendingCount() > 0) input->OnMidiInput(input.get());
        return static_cast<int>(received.size()) >= kCount;
    }));
    std::vector<int> expected(kCount);
    for (int i = 0; i < kCount; ++i) expected[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(received, expected);
    EXPECT_EQ(input->OverflowCount(), 0u);

    due = std::chrono::steady_clock::now();
    for (int i = 0; i < kCount; ++i) {
        output->SendShort(0x99, static_cast<std::uint8_t>(i & 0x7F),
                          static_cast<std::uint8_t>(i >> 7));
        due += 960us;
        std::this_thread::sleep_until(due);
    }
    ASSERT_TRUE(outWindow.PumpUntil([&] { return peer.Received().size() >= kCount; }));
    const auto atPeer = peer.Received();
    ASSERT_EQ(atPeer.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(
            atPeer[static_cast<std::size_t>(i)],
            (Bytes{0x99, static_cast<std::uint8_t>(i & 0x7F), static_cast<std::uint8_t>(i >> 7)}));
}

TEST_F(JackPorts, ABlockLongerThanTheReceiveBufferIsDroppedWithoutHarm) {
    JackPeer peer;
    input->SetSysexBufferSize(1024);
    input->SetSysexBufferCount(4);
    Connect(peer.OutputName(), peer.InputName(), true);
    SettleInputFrom(peer);
    int overflows = 0;
    input->OnOverflow = [&](midiports::TMidiInput*) { ++overflows; };
    peer.Send(Pattern(5000, 3));
    const Bytes fits = Pattern(1024, 4);
    for (int i = 0; i < 8; ++i) {  // twice the pool: every buffer came back
        peer.Send(fits);
        EXPECT_EQ(NextBlock(), fits) << "block " << i;
    }
    EXPECT_EQ(overflows, 1);
    EXPECT_EQ(input->DroppedCount(), 1u);
}

// A process cycle hands over its notes together; each is stamped at its own frame, at every
// period, and the stamps are on steady_clock (the times of the trigger check are differences
// of stamps and of steady_clock readings). Nothing on the receiving thread allocates.
TEST_F(JackPorts, NotesOfOneCycleAreStampedAtTheirOwnFrames) {
    JackFramePeer peer;
    ASSERT_TRUE(peer.Ready());
    struct Restore {
        JackFramePeer& Peer;
        jack_nframes_t Frames;
        ~Restore() { Peer.SetPeriod(Frames); }
    } restore{peer, peer.Period()};
    input->SetProductName(peer.OutputName());
    input->Open();
    ASSERT_TRUE(input->IsOpen());
    input->Start();
    ASSERT_TRUE(PingUntil(
        [&](std::uint8_t k) {
            peer.SendInOneCycle({{0, {0x99, 1, static_cast<std::uint8_t>(k | 1)}}});
        },
        [&] { return input->PendingCount() > 0; }));
    inWindow.PumpUntil(
        [&] {
            while (input->TakeEvent()) {
            }
            return false;
        },
        50ms);

    struct Case {
        jack_nframes_t Period, First, Second;
    };
    // At 48 kHz: 1 ms within 64 frames, crosstalk 4 ms apart, doubles 12 ms apart and a
    // cycle's first and last frames at 1,024, and 25 ms within 2,048.
    const Case cases[] = {
        {64, 2, 50}, {256, 16, 208}, {1024, 0, 576}, {1024, 0, 1023}, {2048, 24, 1224}};
    const double rate = peer.Rate();
    ASSERT_GT(rate, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.Period << " frames: " << c.First << " and " << c.Second);
        ASSERT_TRUE(peer.SetPeriod(c.Period));
        const long othersBefore = counted::g_allocations.load() - counted::t_allocations;
        const auto sent = std::chrono::steady_clock::now();
        ASSERT_TRUE(peer.SendInOneCycle({{c.First, {0x99, 38, 100}}, {c.Second, {0x99, 40, 90}}}));
        std::vector<std::unique_ptr<midiports::TMyMidiEvent>> events;
        ASSERT_TRUE(inWindow.PumpUntil([&] {
            while (auto event = input->TakeEvent()) events.push_back(std::move(event));
            return events.size() >= 2;
        }));
        const auto taken = std::chrono::steady_clock::now();
        const long othersAllocated =
            counted::g_allocations.load() - counted::t_allocations - othersBefore;
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[1]->DataByte1, 40);

        // Within a frame (21 us) and rounding.
        EXPECT_NEAR(Ms(events[1]->Delivered - events[0]->Delivered),
                    (c.Second - c.First) / rate * 1e3, 0.025);
        // On steady_clock: no earlier than the cycle that took the notes began, no later than
        // its end, give or take the dummy driver's estimate of its cycle times on a busy
        // machine (JACK's own clock lies 250 ms away here, which this still tells).
        const double periodMs = c.Period / rate * 1e3;
        EXPECT_GT(Ms(events[0]->Delivered - sent), -periodMs - 20);
        EXPECT_LT(Ms(events[1]->Delivered - taken), periodMs + 20);
        if (TAMBORO_COUNT_ALLOCATIONS) {
            EXPECT_EQ(othersAllocated, 0);
        }
    }
}

}  // namespace
}  // namespace porttest
