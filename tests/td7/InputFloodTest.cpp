// A hundred thousand messages at once, far faster than the editor takes them: every one
// is either handled or counted as lost, the port holds no more than its fixed ring and
// receive buffers, and the next record the module sends is taken as usual.

#include <algorithm>
#include <atomic>

#include "tests/td7/EditorPorts.h"

namespace hardening {
namespace {

TEST_F(EditorPorts, AFloodOfAHundredThousandMessagesIsCountedBoundedAndSurvived) {
    constexpr int kMessages = 100000;
    int overflows = 0;
    input.OnOverflow = [&](midiports::TMidiInput*) { ++overflows; };
    std::uint16_t mostPending = 0;
    session.OnMidiInput = [&](bool resolved) {
        ++received;
        if (resolved) ++taken;
        mostPending = std::max(mostPending, input.PendingCount());
    };

    // Whole system records that the mirror takes, between one-parameter data sets and
    // notes that it does not.
    const Bytes system = RecordBytes(td7::Block::System, 0);
    const Bytes parameter = {0xF0, 0x41, 0x10, 0x58, 0x12, 0x03,
                             0x00, 0x00, 0x05, 0x01, 0x77, 0xF7};
    const Bytes note = {0x99, 0x26, 0x40};
    std::atomic<bool> done{false};
    std::thread service([&] {
        for (int i = 0; i < kMessages; ++i) {
            fake.Inject(0, i % 2 ? parameter : system);
            if (i % 10 == 0) fake.Inject(0, note);  // dropped by the port: sysex only
        }
        done = true;
    });
    const bool finished = inWindow.PumpUntil(
        [&] { return done && input.PendingCount() == 0 && received + overflows == kMessages; },
        std::chrono::seconds(120));
    service.join();
    inWindow.Pump();
    ASSERT_TRUE(finished) << received << " handled, " << overflows << " lost";

    EXPECT_EQ(received + overflows, kMessages);
    EXPECT_GT(overflows, 0);
    EXPECT_EQ(static_cast<std::uint32_t>(overflows), input.OverflowCount() + input.DroppedCount());
    EXPECT_GT(taken, 0);
    EXPECT_LE(taken, received);
    // Bounded: never more waiting than the ring holds, never more buffers than the pool,
    // and the whole pool back with the service afterwards.
    EXPECT_LE(mostPending, input.Capacity());
    EXPECT_EQ(fake.QueuedBuffers(0), input.SysexBufferCount());
    EXPECT_TRUE(input.IsOpen());

    // Still working: the module's next record is taken whole.
    Bytes next = system;
    next[9] = 0x2A;
    next[next.size() - 2] = 0;
    midilink::TMidiDump& record = dumps.SystemDump.Records(0);
    received = taken = 0;
    Receive({next});
    ASSERT_TRUE(inWindow.PumpUntil([&] { return received == 1; }));
    EXPECT_EQ(taken, 1);
    EXPECT_EQ(Bytes(record.Data(), record.Data() + record.Size()), next);
}

}  // namespace
}  // namespace hardening
