#include <gtest/gtest.h>

#include <thread>

#include "midiports/EventRing.h"

namespace midiports {
namespace {

TEST(EventRing, KeepsOrderAcrossTheWrapAndRefusesWhenFullOrEmpty) {
    auto ring = RingAlloc(3);
    ASSERT_TRUE(ring);
    RingEntry entry;
    EXPECT_FALSE(RingPeek(*ring, entry));
    EXPECT_FALSE(RingDrop(*ring));
    std::uint32_t next = 0;
    std::uint32_t expected = 0;
    for (int round = 0; round < 5; ++round) {
        while (RingPut(*ring, {next, next, nullptr})) ++next;
        EXPECT_EQ(ring->count.load(), 3);
        ASSERT_TRUE(RingPeek(*ring, entry));
        EXPECT_EQ(entry.message, expected++);
        ASSERT_TRUE(RingDrop(*ring));
        ASSERT_TRUE(RingPeek(*ring, entry));
        EXPECT_EQ(entry.message, expected++);
        ASSERT_TRUE(RingDrop(*ring));
    }
}

TEST(EventRing, CapacityIsLimitedToSixtyFourKilobytesOfEntries) {
    EXPECT_TRUE(RingAlloc(EventRing::kMaxCapacity));
    EXPECT_FALSE(RingAlloc(EventRing::kMaxCapacity + 1));
    auto none = RingAlloc(0);
    ASSERT_TRUE(none);
    EXPECT_FALSE(RingPut(*none, {}));
}

// One writer and one reader on two threads, as the service and the GUI: every entry
// arrives once, complete and in order. Run under ThreadSanitizer as well.
TEST(EventRing, WriterAndReaderOnTwoThreadsSeeEveryEntryInOrder) {
    constexpr std::uint32_t kEntries = 200000;
    auto ring = RingAlloc(16);
    ASSERT_TRUE(ring);
    std::thread writer([&] {
        for (std::uint32_t i = 0; i < kEntries;) {
            const RingEntry entry{i, i * 3 + 1, reinterpret_cast<MidiHeader*>(std::uintptr_t{i})};
            if (RingPut(*ring, entry))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    std::uint32_t expected = 0;
    RingEntry entry;
    while (expected < kEntries) {
        if (!RingPeek(*ring, entry)) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(entry.timeStamp, expected);
        ASSERT_EQ(entry.message, expected * 3 + 1);
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(entry.header), expected);
        ASSERT_TRUE(RingDrop(*ring));
        ++expected;
    }
    writer.join();
    EXPECT_EQ(ring->count.load(), 0);
}

}  // namespace
}  // namespace midiports
