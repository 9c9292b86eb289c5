#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>

#include "simulator/RolandSysex.h"
#include "simulator/Td7Module.h"
#include "tests/simulator/MessageSink.h"

namespace simulator::test {
namespace {

// Where each block's data lies in the memory image, worked out here from the documented order
// (system 23, then 32 patches of 47 + 18 x 11 + 59 x 8 = 717, then 512 instruments of 22).
constexpr std::size_t kPatchBase = 23, kPatchBytes = 717, kInstrumentBase = 23 + 32 * 717;

Bytes Receive(Td7Module& module, const Bytes& message, std::size_t expectedReplies = 0) {
    auto replies = module.Receive(message.data(), message.size());
    EXPECT_EQ(replies.size(), expectedReplies);
    return replies.empty() ? Bytes{} : replies.front();
}

bool ChecksumHolds(const Bytes& message) {
    const auto sum = std::accumulate(message.begin() + 5, message.end() - 1, 0u);
    return sum % 128 == 0;
}

struct RequestCase {
    const char* name;
    Bytes request;  // as the editor sends it, checksum worked out by hand
    std::size_t offset;
    std::size_t size;
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << c.name;
}

class Td7ModuleRequest : public testing::TestWithParam<RequestCase> {};

TEST_P(Td7ModuleRequest, AnswersWithExactlyTheRequestedBlock) {
    const auto& c = GetParam();
    Td7Module module;
    module.LoadRandom(11);

    const Bytes reply = Receive(module, c.request, 1);

    ASSERT_EQ(reply.size(), c.size + 11);
    const Bytes header{0xF0,         0x41,         0x10,         0x58, 0x12,
                       c.request[5], c.request[6], c.request[7], 0x00};
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 9), header);
    const auto& memory = module.Memory();
    EXPECT_EQ(Bytes(reply.begin() + 9, reply.end() - 2),
              Bytes(memory.begin() + c.offset, memory.begin() + c.offset + c.size));
    EXPECT_TRUE(ChecksumHolds(reply));
    EXPECT_EQ(reply.back(), 0xF7);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeAddresses, Td7ModuleRequest,
    testing::Values(
        RequestCase{"System",
                    {0xF0, 0x41, 0x10, 0x58, 0x11, 0x03, 0, 0, 0, 0, 0, 0, 0x17, 0x66, 0xF7},
                    0,
                    23},
        RequestCase{"FirstPatchCommon",
                    {0xF0, 0x41, 0x10, 0x58, 0x11, 0, 0, 0, 0, 0, 0, 0, 0x2F, 0x51, 0xF7},
                    kPatchBase,
                    47},
        RequestCase{"PatchCommon6",
                    {0xF0, 0x41, 0x10, 0x58, 0x11, 0, 0x05, 0, 0, 0, 0, 0, 0x2F, 0x4C, 0xF7},
                    kPatchBase + 5 * kPatchBytes,
                    47},
        RequestCase{"FirstTrigger",
                    {0xF0, 0x41, 0x10, 0x58, 0x11, 0, 0, 0x01, 0, 0, 0, 0, 0x0B, 0x74, 0xF7},
                    kPatchBase + 47,
                    11},
        RequestCase{"LastTrigger",
                    {0xF0, 0x41, 0x10, 0x58, 0x11, 0, 0x1F, 0x12, 0, 0, 0, 0, 0x0B, 0x44, 0xF7},
                    kPatchBase + 31 * kPatchBytes + 47 + 17 * 11,
                    11},
        RequestCase{"FirstNoteMapEntry",
                    {0xF0, 0x41, 0x10, 0x58, 0x11, 0, 0, 0x23, 0, 0, 0, 0, 0x08, 0x55, 0xF7},
                    kPatchBase + 47 + 198,
                    8},
        RequestCase{"LastNoteMapEntry",
                    {0xF0, 0x41, 0x10, 0x58, 0x11, 0, 0x1F, 0x5D, 0, 0, 0, 0, 0x08, 0x7C, 0xF7},
                    kPatchBase + 31 * kPatchBytes + 47 + 198 + 58 * 8,
                    8},
        RequestCase{"FirstInstrument",
                    {0xF0, 0x41, 0x10, 0x58, 0x11, 0x01, 0, 0, 0, 0, 0, 0, 0x16, 0x69, 0xF7},
                    kInstrumentBase,
                    22},
        RequestCase{"Instrument128",
                    {0xF0, 0x41, 0x10, 0x58, 0x11, 0x01, 0x01, 0, 0, 0, 0, 0, 0x16, 0x68, 0xF7},
                    kInstrumentBase + 128 * 22,
                    22},
        RequestCase{"Instrument511",
                    {0xF0, 0x41, 0x10, 0x58, 0x11, 0x01, 0x03, 0x7F, 0, 0, 0, 0, 0x16, 0x67, 0xF7},
                    kInstrumentBase + 511 * 22,
                    22}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Td7Module, TheLastInstrumentEndsTheImage) {
    EXPECT_EQ(Td7Module().Memory().size(), kInstrumentBase + 512 * 22);
}

// Data sets: the bytes land at the block's offset plus a4, and nothing else moves.
TEST(Td7Module, AppliesDataSetsOfOneOrMoreBytesAnywhereInsideABlock) {
    struct Case {
        const char* what;
        Bytes message;
        std::size_t at;
        Bytes data;
    };
    const Bytes systemData(23, 0x05);
    Bytes wholeSystem;
    wholeSystem.reserve(34);
    for (int byte : {0xF0, 0x41, 0x10, 0x58, 0x12, 0x03, 0, 0, 0})
        wholeSystem.push_back(static_cast<std::uint8_t>(byte));
    wholeSystem.insert(wholeSystem.end(), systemData.begin(), systemData.end());
    wholeSystem.push_back(static_cast<std::uint8_t>((128 - (3 + 23 * 5) % 128) % 128));
    wholeSystem.push_back(0xF7);

    const Case cases[] = {
        // Level of instrument 511 (offset 21): its last byte.
        {"one byte",
         {0xF0, 0x41, 0x10, 0x58, 0x12, 0x01, 0x03, 0x7F, 0x15, 0x0A, 0x5E, 0xF7},
         kInstrumentBase + 511 * 22 + 21,
         {0x0A}},
        // Sound 1 of the last note-map entry: two bytes, high part first.
        {"two bytes",
         {0xF0, 0x41, 0x10, 0x58, 0x12, 0x00, 0x1F, 0x5D, 0x03, 0x03, 0x7F, 0x7F, 0xF7},
         kPatchBase + 31 * kPatchBytes + 47 + 198 + 58 * 8 + 3,
         {0x03, 0x7F}},
        // The name of patch 1 (offsets 2..7).
        {"six bytes",
         {0xF0, 0x41, 0x10, 0x58, 0x12, 0, 0, 0, 0x02, 'S', 'n', 'a', 'r', 'e', '!', 0x64, 0xF7},
         kPatchBase + 2,
         {'S', 'n', 'a', 'r', 'e', '!'}},
        {"whole block", wholeSystem, 0, systemData},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(ChecksumHolds(c.message));
        Td7Module module;
        module.LoadRandom(3);
        Bytes expected = module.Memory();
        std::copy(c.data.begin(), c.data.end(), expected.begin() + c.at);

        Receive(module, c.message, 0);

        EXPECT_EQ(module.Memory(), expected);
    }
}

TEST(Td7Module, DropsEveryNthDataSetButNeverARequestOrAnIgnoredMessage) {
    // Level of instrument 511 set to 0x0A, and the same message with a broken checksum.
    const Bytes dataSet = {0xF0, 0x41, 0x10, 0x58, 0x12, 0x01, 0x03, 0x7F, 0x15, 0x0A, 0x5E, 0xF7};
    Bytes broken = dataSet;
    broken[10] ^= 1;
    const Bytes request = {0xF0, 0x41, 0x10, 0x58, 0x11, 0x03, 0, 0, 0, 0, 0, 0, 0x17, 0x66, 0xF7};
    ASSERT_TRUE(ChecksumHolds(request));
    Td7Module module;
    module.SetDropEvery(3);
    for (int k = 0; k < 7; ++k) {
        Receive(module, broken, 0);
        Receive(module, request, 1);
        Receive(module, dataSet, 0);
    }
    EXPECT_EQ(module.DataSetsDropped(), 2);  // the 3rd and the 6th
    EXPECT_EQ(module.DataSetsStored(), 5);

    // A dropped message leaves the memory as it was.
    Td7Module lossy;
    lossy.LoadRandom(3);
    lossy.SetDropEvery(1);
    const Bytes before = lossy.Memory();
    Receive(lossy, dataSet, 0);
    EXPECT_EQ(lossy.Memory(), before);
}

// A data set of one byte is a 12-byte message: with 10 ms plus 0.5 ms a byte the module is
// busy for 16 ms after each one it takes. Requests are answered all the while.
TEST(Td7Module, LosesTheDataSetsThatArriveWhileItStores) {
    using std::chrono::microseconds;
    using namespace std::chrono_literals;
    const auto level = [](int value) {
        return roland::DataSet(0x10, {0x01, 0x03, 0x7F, 0x15}, Bytes{std::uint8_t(value)});
    };
    const Bytes request = roland::DataRequest(0x10, {0x03, 0, 0, 0}, 23);
    const Block instrument = Td7Module::InstrumentBlock(511);
    const auto receive = [](Td7Module& module, const Bytes& message, microseconds at) {
        return module.Receive(message.data(), message.size(), at).size();
    };

    Td7Module module;
    module.SetStoreTiming({.baseMs = 10, .msPerByte = 0.5});
    EXPECT_EQ(receive(module, level(1), 0ms), 0u);
    EXPECT_EQ(receive(module, level(2), 15999us), 0u);
    EXPECT_EQ(receive(module, request, 15999us), 1u);
    EXPECT_EQ(module.Data(instrument)[21], 1) << "lost while busy";
    EXPECT_EQ(receive(module, level(3), 16ms), 0u);
    EXPECT_EQ(module.Data(instrument)[21], 3) << "taken once done";
    EXPECT_EQ(module.DataSetsStored(), 2);
    EXPECT_EQ(module.DataSetsDropped(), 1);

    // Busy for 10 ms every 100 ms, and once 2 are taken the next 3 are lost.
    Td7Module bursts;
    bursts.SetStoreTiming({.busyEveryMs = 100, .busyMs = 10, .dropAfter = 2, .dropFor = 3});
    std::vector<int> taken;
    int value = 0;
    for (auto at : {50ms, 100ms, 109ms, 110ms, 205ms, 300ms, 350ms, 360ms, 370ms, 380ms, 390ms}) {
        const int stored = bursts.DataSetsStored();
        receive(bursts, level(++value), at);
        if (bursts.DataSetsStored() > stored) taken.push_back(value);
    }
    EXPECT_EQ(taken, (std::vector<int>{1, 4, 10, 11}));
    EXPECT_EQ(bursts.DataSetsDropped(), 7);

    // Without a store time, data sets of the same instant are all taken.
    Td7Module quick;
    for (int k = 1; k <= 5; ++k) receive(quick, level(k), 0ms);
    EXPECT_EQ(quick.DataSetsStored(), 5);
}

TEST(Td7Module, IgnoresWhatTheHardwareIgnores) {
    using roland::DataRequest;
    using roland::DataSet;
    const Bytes one{0x01};
    const Bytes two{0x01, 0x02};
    Bytes badChecksum = DataSet(0x10, {0x03, 0, 0, 0}, one);
    badChecksum[badChecksum.size() - 2] ^= 0x01;
    Bytes otherModel = DataSet(0x10, {0x03, 0, 0, 0}, one);
    otherModel[3] = 0x57;
    Bytes otherMaker = DataSet(0x10, {0x03, 0, 0, 0}, one);
    otherMaker[1] = 0x43;
    Bytes unknownCommand = DataSet(0x10, {0x03, 0, 0, 0}, one);
    unknownCommand[4] = 0x13;
    Bytes highBit = DataSet(0x10, {0x03, 0, 0, 0}, Bytes{0x01, 0x7F});
    highBit[9] = 0x81;  // checksum still holds modulo 128
    Bytes truncated = DataSet(0x10, {0x03, 0, 0, 0}, one);
    truncated.pop_back();

    const std::pair<const char*, Bytes> cases[] = {
        {"wrong checksum", badChecksum},
        {"other device ID", DataSet(0x11, {0x03, 0, 0, 0}, one)},
        {"other device ID, request", DataRequest(0x11, {0x03, 0, 0, 0}, 23)},
        {"other model", otherModel},
        {"other manufacturer", otherMaker},
        {"unknown command", unknownCommand},
        {"data byte with top bit", highBit},
        {"no end byte", truncated},
        {"data set without data", DataSet(0x10, {0x03, 0, 0, 0}, Bytes{})},
        {"patch 33", DataSet(0x10, {0x00, 0x20, 0, 0}, one)},
        {"between triggers and notes", DataSet(0x10, {0x00, 0x00, 0x13, 0}, one)},
        {"note below 35", DataSet(0x10, {0x00, 0x00, 0x22, 0}, one)},
        {"note above 93", DataSet(0x10, {0x00, 0x00, 0x5E, 0}, one)},
        {"instrument 512", DataSet(0x10, {0x01, 0x04, 0x00, 0}, one)},
        {"area 02", DataSet(0x10, {0x02, 0, 0, 0}, one)},
        {"system a3 not 0", DataSet(0x10, {0x03, 0, 0x01, 0}, one)},
        {"offset past the block", DataSet(0x10, {0x03, 0, 0, 23}, one)},
        {"data running past the block", DataSet(0x10, {0x00, 0x00, 0x01, 10}, two)},
        {"request of a wrong size", DataRequest(0x10, {0x00, 0x00, 0x01, 0}, 10)},
        {"request of a whole patch", DataRequest(0x10, {0x00, 0x00, 0x00, 0}, 717)},
        {"request inside a block", DataRequest(0x10, {0x00, 0x00, 0x01, 1}, 10)},
        {"request outside the map", DataRequest(0x10, {0x01, 0x04, 0x00, 0}, 22)},
        {"note on", {0x99, 0x26, 0x40}},
        {"program change", {0xC9, 0x04}},
        {"empty", {}},
    };
    for (const auto& [what, message] : cases) {
        SCOPED_TRACE(what);
        Td7Module module;
        module.LoadRandom(5);
        const Bytes before = module.Memory();
        EXPECT_TRUE(module.Receive(message.data(), message.size()).empty());
        EXPECT_EQ(module.Memory(), before);
    }
}

TEST(Td7Module, AnswersOnlyToItsOwnDeviceId) {
    Td7Module module(0x00);
    module.LoadFactory();
    EXPECT_TRUE(Receive(module, roland::DataRequest(0x10, {0x03, 0, 0, 0}, 23), 0).empty());

    const Bytes reply = Receive(module, roland::DataRequest(0x00, {0x03, 0, 0, 0}, 23), 1);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[2], 0x00);

    module.SetDeviceId(0x1F);
    EXPECT_EQ(Receive(module, roland::DataRequest(0x1F, {0x03, 0, 0, 0}, 23), 1)[2], 0x1F);
}

// Instrument numbers: patch common 8-9, 10-11, 12-13; note-map 3-4 and 6-7 (high part first).
std::vector<int> InstrumentNumbers(const Td7Module& module) {
    std::vector<int> numbers;
    const auto& m = module.Memory();
    for (std::size_t p = 0; p < 32; ++p) {
        const std::size_t common = kPatchBase + p * kPatchBytes;
        for (std::size_t at : {8, 10, 12})
            numbers.push_back(m[common + at] * 128 + m[common + at + 1]);
        for (std::size_t n = 0; n < 59; ++n) {
            const std::size_t entry = common + 47 + 198 + n * 8;
            for (std::size_t at : {3, 6})
                numbers.push_back(m[entry + at] * 128 + m[entry + at + 1]);
        }
    }
    return numbers;
}

TEST(Td7Module, RandomContentIsSevenBitSeededAndNamesOnlyRealInstruments) {
    Td7Module a, b, c;
    a.LoadRandom(42);
    b.LoadRandom(42);
    c.LoadRandom(43);
    EXPECT_EQ(a.Memory(), b.Memory());
    EXPECT_NE(a.Memory(), c.Memory());
    EXPECT_TRUE(std::ranges::all_of(a.Memory(), [](auto byte) { return byte < 0x80; }));
    // Random, not constant: plenty of distinct values.
    std::vector<bool> seen(128);
    for (auto byte : a.Memory()) seen[byte] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 128);

    for (auto* module : {&a, &c}) {
        const auto numbers = InstrumentNumbers(*module);
        ASSERT_EQ(numbers.size(), 32u * (3 + 2 * 59));
        EXPECT_TRUE(std::ranges::all_of(numbers, [](int i) { return i >= 0 && i < 512; }));
        // The high parts still vary (0..3), so instruments above 127 are drawn too.
        EXPECT_GT(*std::ranges::max_element(numbers), 383);
    }
}

}  // namespace
}  // namespace simulator::test
