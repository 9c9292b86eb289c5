#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <vector>

#include "simulator/NoteLog.h"
#include "simulator/SimOptions.h"

namespace simulator::test {
namespace {

SimOptions Parse(std::vector<std::string_view> args, std::string_view api = {}) {
    return ParseSimOptions(args, api);
}

TEST(SimOptions, DefaultsToTheModulesFactoryState) {
    const auto options = Parse({});
    EXPECT_EQ(options.deviceId, 0x10);
    EXPECT_EQ(options.content, SimOptions::Content::Factory);
    EXPECT_FALSE(options.wireTiming);
    EXPECT_TRUE(options.memoryFile.empty());
    EXPECT_EQ(options.clientName, "TD-7 Simulator");
    EXPECT_TRUE(options.api.empty());
}

// Device IDs count from 1 as in the editor's device window: 17 is the module's 0x10.
TEST(SimOptions, TakesTheDeviceIdAsTheEditorShowsIt) {
    EXPECT_EQ(Parse({"--device-id", "17"}).deviceId, 0x10);
    EXPECT_EQ(Parse({"--device-id", "1"}).deviceId, 0x00);
    EXPECT_EQ(Parse({"--device-id", "32"}).deviceId, 0x1F);
    for (auto bad : {"0", "33", "x", "17x", ""})
        EXPECT_THROW(Parse({"--device-id", bad}), std::invalid_argument) << bad;
}

TEST(SimOptions, ReadsEveryOption) {
    const auto options =
        Parse({"--api", "jack", "--content", "random", "--seed", "99", "--wire-timing",
               "--memory-file", "/tmp/m.syx", "--client-name", "sim-1", "--drop-every", "50"},
              "alsa");
    EXPECT_EQ(options.api, "jack");
    EXPECT_EQ(options.content, SimOptions::Content::Random);
    EXPECT_EQ(options.seed, 99u);
    EXPECT_TRUE(options.wireTiming);
    EXPECT_EQ(options.memoryFile, "/tmp/m.syx");
    EXPECT_EQ(options.clientName, "sim-1");
    EXPECT_EQ(Parse({"--log-notes", "/tmp/n.log"}).logNotes, "/tmp/n.log");
    EXPECT_EQ(options.dropEvery, 50);
    EXPECT_EQ(Parse({}).dropEvery, 0);
    EXPECT_EQ(Parse({}, "jack").api, "jack");
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_EQ(Parse({}).hitsPerSecond, 0);
    EXPECT_EQ(Parse({"--hits"}).hitsPerSecond, SimOptions::kHitsPerSecond);

    const auto busy =
        Parse({"--store-ms", "2", "--store-ms-per-byte", "0.25", "--busy-every-ms", "500",
               "--busy-ms", "40", "--drop-after", "10", "--drop-for", "3", "--input-queue", "4"});
    EXPECT_EQ(busy.store.baseMs, 2.0);
    EXPECT_EQ(busy.store.msPerByte, 0.25);
    EXPECT_EQ(busy.store.busyEveryMs, 500);
    EXPECT_EQ(busy.store.busyMs, 40);
    EXPECT_EQ(busy.store.dropAfter, 10);
    EXPECT_EQ(busy.store.dropFor, 3);
    EXPECT_EQ(busy.inputQueue, 4);
    const auto plain = Parse({});
    EXPECT_EQ(plain.store.StoreTime(1000).count(), 0);
    EXPECT_FALSE(plain.store.InBusySpell(std::chrono::hours(1)));
    EXPECT_EQ(plain.store.dropAfter, 0);
    EXPECT_EQ(plain.inputQueue, 0);
    EXPECT_FALSE(plain.triggerFaults.Any());

    // Each trigger fault plays the hits through the model.
    const auto faulty = Parse({"--doubles", "--hot"});
    EXPECT_TRUE(faulty.triggerFaults.doubles);
    EXPECT_FALSE(faulty.triggerFaults.crosstalk);
    EXPECT_TRUE(faulty.triggerFaults.hot);
    EXPECT_EQ(faulty.hitsPerSecond, SimOptions::kHitsPerSecond);
    EXPECT_TRUE(Parse({"--crosstalk"}).triggerFaults.crosstalk);
}

TEST(SimOptions, RefusesWhatItDoesNotKnow) {
    EXPECT_THROW(Parse({"--api", "coreaudio"}), std::invalid_argument);
    EXPECT_THROW(Parse({}, "winmm"), std::invalid_argument);
    EXPECT_THROW(Parse({"--content", "empty"}), std::invalid_argument);
    EXPECT_THROW(Parse({"--seed"}), std::invalid_argument);
    EXPECT_THROW(Parse({"--verbose"}), std::invalid_argument);
    EXPECT_THROW(Parse({"--client-name", ""}), std::invalid_argument);
    for (auto bad : {"0", "x", ""})
        EXPECT_THROW(Parse({"--drop-every", bad}), std::invalid_argument) << bad;
    for (auto bad : {"-1", "x", "1,5", "70000"})
        EXPECT_THROW(Parse({"--store-ms-per-byte", bad}), std::invalid_argument) << bad;
    EXPECT_THROW(Parse({"--busy-every-ms", "100"}), std::invalid_argument);
    EXPECT_THROW(Parse({"--busy-every-ms", "100", "--busy-ms", "100"}), std::invalid_argument);
    EXPECT_THROW(Parse({"--drop-for", "3"}), std::invalid_argument);
    EXPECT_THROW(Parse({"--input-queue", "0"}), std::invalid_argument);
}

// --log-notes: the line of each note, a note-off with velocity 0, nothing for the rest.
TEST(NoteLog, OneLineANote) {
    const struct {
        std::vector<std::uint8_t> message;
        std::string line;
    } cases[] = {
        {{0x99, 36, 100}, "1.250000 10 36 100\n"},
        {{0x89, 36, 64}, "1.250000 10 36 0\n"},
        {{0x90, 60, 0}, "1.250000 1 60 0\n"},
        {{0x8F, 127, 1}, "1.250000 16 127 0\n"},
        {{0xB9, 4, 90}, ""},
        {{0xC9, 4}, ""},
        {{0xF0, 0x41, 0x10, 0xF7}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NoteLogLine(1.25, c.message.data(), c.message.size()), c.line);
    EXPECT_THROW(NoteLog("/nonexistent-folder/notes.log"), std::runtime_error);
}

}  // namespace
}  // namespace simulator::test
