#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "simulator/RolandSysex.h"
#include "simulator/VirtualTd7.h"
#include "tests/simulator/MessageSink.h"

namespace simulator::test {
namespace {

using namespace std::chrono_literals;

class VirtualTd7Test : public testing::Test {
  protected:
    void Send(const Bytes& message) { m_module.Send(message.data(), message.size()); }

    Bytes Expected(const Block& block) {
        std::lock_guard lock(m_module.ModuleMutex());
        return m_module.Module().DataSetOf(block);
    }

    MessageSink m_replies;
    VirtualTd7 m_module{
        [this](const std::uint8_t* data, std::size_t len) { m_replies.Push(data, len); }};
};

TEST_F(VirtualTd7Test, AnswersRequestsFromItsOwnThreadInOrder) {
    {
        std::lock_guard lock(m_module.ModuleMutex());
        m_module.Module().LoadRandom(77);
    }
    std::vector<Block> blocks;
    for (int k = 0; k < Td7Module::kBlockCount; k += 37) blocks.push_back(Td7Module::BlockAt(k));
    for (const auto& block : blocks) {
        Send(roland::DataRequest(0x10, block.address, std::uint32_t(block.size)));
        Send({0xF8});  // a stray real-time byte on its own is nothing to the module
    }

    ASSERT_TRUE(m_replies.WaitFor(blocks.size()));
    const auto replies = m_replies.Messages();
    ASSERT_EQ(replies.size(), blocks.size());
    for (std::size_t k = 0; k < blocks.size(); ++k) EXPECT_EQ(replies[k], Expected(blocks[k]));
    for (auto id : m_replies.Threads()) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(VirtualTd7Test, AppliesADataSetBeforeTheNextRequest) {
    const auto block = Td7Module::CommonBlock(7);
    const Bytes name{'G', 'r', 'o', 'o', 'v', 'e'};
    Send(roland::DataSet(0x10, {0, 7, 0, 2}, name));
    Send(roland::DataRequest(0x10, block.address, 47));

    ASSERT_TRUE(m_replies.WaitFor(1));
    const Bytes reply = m_replies.Messages().front();
    EXPECT_EQ(Bytes(reply.begin() + 11, reply.begin() + 17), name);
    EXPECT_EQ(reply, Expected(block));
}

TEST_F(VirtualTd7Test, DeviceIdComesFromTheConstructor) {
    MessageSink replies;
    VirtualTd7 module([&](const std::uint8_t* data, std::size_t len) { replies.Push(data, len); },
                      0x03);
    const Bytes toOther = roland::DataRequest(0x10, {0x03, 0, 0, 0}, 23);
    const Bytes toIt = roland::DataRequest(0x03, {0x03, 0, 0, 0}, 23);
    module.Send(toOther.data(), toOther.size());
    module.Send(toIt.data(), toIt.size());
    ASSERT_TRUE(replies.WaitFor(1));
    EXPECT_EQ(replies.Messages().front()[2], 0x03);
}

// A request of 15 bytes and its answer of 34 cannot take less than 49 byte times on a cable.
TEST_F(VirtualTd7Test, WireTimingTakesAtLeastTheCablesTime) {
    m_module.SetWireTiming(true);
    const auto start = std::chrono::steady_clock::now();
    Send(roland::DataRequest(0x10, {0x03, 0, 0, 0}, 23));
    Send(roland::DataRequest(0x10, {0x03, 0, 0, 0}, 23));
    ASSERT_TRUE(m_replies.WaitFor(2));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // The second request queues behind the first on the way in: 2 x 15 in, then 34 out.
    EXPECT_GE(elapsed, (2 * 15 + 34) * VirtualTd7::kByteTime);
    EXPECT_EQ(m_replies.Messages()[0].size(), 34u);
}

// On a modelled cable a request of 15 bytes takes 4.8 ms to arrive and an instrument's answer
// of 33 bytes 10.56 ms to leave, so requests sent at once pile up. With room for two waiting,
// the 5th and the 7th (a data set) arrive when two wait: lost and counted; the others are
// answered in order. The clock stands still, so the reckoning is the model's alone.
TEST(VirtualTd7, LosesWhatArrivesWhenItsInputQueueIsFull) {
    MessageSink replies;
    VirtualTd7 module([&](const std::uint8_t* data, std::size_t len) { replies.Push(data, len); });
    const auto start = std::chrono::steady_clock::now();
    module.Configure({.wireTiming = true, .inputQueue = 2, .now = [start] { return start; }});
    std::vector<Bytes> messages;
    for (int k = 0; k < 8; ++k)
        messages.push_back(
            k == 6 ? roland::DataSet(0x10, {0x01, 0, 6, 0x15}, Bytes{0x01})
                   : roland::DataRequest(0x10, Td7Module::InstrumentBlock(k).address, 22));
    for (const Bytes& message : messages) module.Send(message.data(), message.size());

    ASSERT_TRUE(replies.WaitFor(6));
    std::this_thread::sleep_for(20ms);  // time for a 7th, which must not come
    std::vector<int> answered;
    for (const Bytes& reply : replies.Messages()) answered.push_back(reply[7]);
    EXPECT_EQ(answered, (std::vector<int>{0, 1, 2, 3, 5, 7}));
    EXPECT_EQ(module.InputDropped(), 2);
    std::lock_guard lock(module.ModuleMutex());
    EXPECT_EQ(module.Module().DataSetsDropped(), 1);
    EXPECT_EQ(module.Module().DataSetsStored(), 0);
}

// Data sets sent back to back on the cable arrive 3.84 ms apart (12 bytes each): a module that
// stores one in 0.3 ms a byte keeps up, one that needs 0.4 ms a byte loses every other.
TEST(VirtualTd7, ReckonsTheStoreTimeOnTheCablesTime) {
    const auto lost = [](double msPerByte) {
        VirtualTd7 module(nullptr);
        const auto start = std::chrono::steady_clock::now();
        module.Configure({.wireTiming = true, .store = {.msPerByte = msPerByte}, .now = [start] {
                              return start;
                          }});
        for (int k = 0; k < 6; ++k) {
            const Bytes message = roland::DataSet(0x10, {0x03, 0, 0, 1}, Bytes{std::uint8_t(k)});
            module.Send(message.data(), message.size());
        }
        for (int wait = 0; wait < 400; ++wait) {
            std::this_thread::sleep_for(5ms);
            std::lock_guard lock(module.ModuleMutex());
            const Td7Module& memory = module.Module();
            if (memory.DataSetsStored() + memory.DataSetsDropped() == 6)
                return memory.DataSetsDropped();
        }
        return -1;
    };
    EXPECT_EQ(lost(0.3), 0);
    EXPECT_EQ(lost(0.4), 3);
}

// Hits are the current patch's trigger notes on the trigger transmit channel, at a steady
// pace, between the answers to requests, and stop when asked.
TEST_F(VirtualTd7Test, PlaysThePadsOfTheCurrentPatchBetweenItsAnswers) {
    std::set<int> patchNotes;
    {
        std::lock_guard lock(m_module.ModuleMutex());
        Td7Module& module = m_module.Module();
        module.LoadFactory();
        module.Data(Td7Module::SystemBlock())[0] = 2;  // channel 3
        for (int t = 0; t < Td7Module::kTriggerCount; ++t) {
            module.Data(Td7Module::TriggerBlock(4, t))[0] = static_cast<std::uint8_t>(60 + t);
            patchNotes.insert(60 + t);
        }
        const Bytes programChange = {0xC2, 4};  // on channel 3: patch 5
        EXPECT_TRUE(module.Receive(programChange.data(), programChange.size()).empty());
        ASSERT_EQ(module.CurrentPatch(), 4);
    }
    m_module.SetWireTiming(true);
    m_module.SetHits(500);
    const Bytes request = roland::DataRequest(0x10, {0x03, 0, 0, 0}, 23);
    for (int k = 0; k < 10; ++k) Send(request);
    const auto answers = [this] {
        int count = 0;
        for (const Bytes& message : m_replies.Messages()) count += message[0] == 0xF0;
        return count;
    };
    // Waits for one more message at a time until the answers are in.
    const auto waitForAnswers = [&](int count) {
        while (answers() < count)
            if (!m_replies.WaitFor(m_replies.Messages().size() + 1)) return false;
        return true;
    };
    ASSERT_TRUE(waitForAnswers(10));
    m_module.SetHits(0);
    const std::size_t stopped = m_replies.Messages().size();
    Send(request);
    ASSERT_TRUE(waitForAnswers(11));

    const auto messages = m_replies.Messages();
    std::set<int> velocities;
    int hits = 0;
    for (const Bytes& message : messages) {
        if (message[0] == 0xF0) continue;
        ++hits;
        ASSERT_EQ(message.size(), 3u);
        EXPECT_EQ(message[0], 0x92);
        EXPECT_TRUE(patchNotes.contains(message[1])) << int(message[1]);
        EXPECT_GE(message[2], 1);
        velocities.insert(message[2]);
    }
    // Ten wire-timed answers take over 100 ms: dozens of hits came between them.
    EXPECT_GT(hits, 20);
    EXPECT_GT(velocities.size(), 5u);  // a drummer, not a machine
    // Once stopped, at most the hit already under way comes before the next answer.
    EXPECT_LE(messages.size(), stopped + 2);
}

TEST(VirtualTd7, StopsWithoutDeliveringWhatIsStillOnTheWire) {
    MessageSink replies;
    {
        VirtualTd7 module(
            [&](const std::uint8_t* data, std::size_t len) { replies.Push(data, len); });
        module.SetWireTiming(true);
        const Bytes request = roland::DataRequest(0x10, {0x01, 0, 0, 0}, 22);
        for (int k = 0; k < 200; ++k) module.Send(request.data(), request.size());
    }  // 200 x 48 byte times would be three seconds
    EXPECT_LT(replies.Messages().size(), 200u);
}

}  // namespace
}  // namespace simulator::test
