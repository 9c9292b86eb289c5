#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "simulator/RolandSysex.h"
#include "simulator/Td7Module.h"
#include "simulator/Waveforms.h"
#include "tests/simulator/MessageSink.h"

namespace simulator::test {
namespace {

// Ranges of the stored bytes, as the editor's controls show them (value + offset).
struct Range {
    std::size_t offset;
    int min, max;
};

constexpr Range kSystemRanges[] = {
    {0, 0, 15}, {1, 0, 15}, {2, 0, 16}, {3, 0, 16}, {4, 0, 16}, {5, 0, 15}, {6, 0, 4},  {7, 0, 15},
    {8, 0, 12}, {9, 0, 2},  {10, 0, 2}, {11, 0, 2}, {12, 0, 1}, {13, 0, 1}, {14, 0, 1}, {15, 0, 1},
    {16, 0, 1}, {17, 0, 2}, {18, 0, 1}, {19, 0, 1}, {20, 0, 1}, {21, 0, 1}, {22, 0, 1}};
constexpr Range kCommonRanges[] = {
    {0, 0, 127}, {1, 0, 1},   {8, 0, 3},   {10, 0, 3},  {12, 0, 3},  {14, 0, 3},  {15, 0, 15},
    {16, 0, 15}, {17, 0, 15}, {18, 0, 15}, {19, 0, 15}, {20, 0, 15}, {21, 0, 15}, {22, 0, 15},
    {23, 0, 15}, {24, 0, 15}, {25, 0, 15}, {26, 0, 15}, {27, 0, 15}, {28, 0, 15}, {29, 0, 15},
    {30, 0, 15}, {31, 0, 1},  {32, 0, 15}, {33, 0, 31}, {34, 0, 15}, {35, 0, 15}, {36, 0, 31},
    {37, 0, 15}, {38, 0, 15}, {39, 0, 31}, {40, 0, 11}, {41, 0, 9},  {42, 0, 3},  {43, 35, 93},
    {44, 1, 40}, {45, 0, 7},  {46, 0, 48}};
constexpr Range kTriggerRanges[] = {{0, 35, 93}, {1, 1, 40}, {2, 0, 48}, {3, 0, 7},
                                    {4, 0, 15},  {5, 0, 15}, {6, 0, 15}, {7, 0, 31},
                                    {8, 0, 15},  {9, 0, 1},  {10, 0, 48}};
constexpr Range kNoteMapRanges[] = {{0, 0, 5}, {1, 0, 7}, {3, 0, 3}, {6, 0, 3}};
constexpr Range kInstrumentRanges[] = {
    {6, 0, 15},  {7, 0, 15},  {8, 0, 1},   {9, 0, 31},  {12, 0, 62}, {13, 0, 15}, {14, 0, 14},
    {15, 0, 15}, {16, 0, 15}, {17, 0, 15}, {19, 0, 15}, {20, 0, 15}, {21, 0, 15}};

void ExpectInRanges(std::span<const std::uint8_t> data, std::span<const Range> ranges,
                    const std::string& block) {
    for (const auto& r : ranges)
        EXPECT_TRUE(data[r.offset] >= r.min && data[r.offset] <= r.max)
            << block << " offset " << r.offset << " holds " << int(data[r.offset]);
}

bool IsPitch(std::uint8_t byte) {
    return byte <= 48 || byte >= 128 - 48;
}

TEST(Td7Factory, IsTheSameOnEveryLoad) {
    Td7Module a, b;
    a.LoadRandom(1);
    a.LoadFactory();
    b.LoadFactory();
    EXPECT_EQ(a.Memory(), b.Memory());
}

TEST(Td7Factory, FillsEveryParameterWithinItsRange) {
    Td7Module module;
    module.LoadFactory();
    ExpectInRanges(module.Data(Td7Module::SystemBlock()), kSystemRanges, "system");
    std::vector<std::string> names;
    for (int p = 0; p < 32; ++p) {
        const auto common = module.Data(Td7Module::CommonBlock(p));
        ExpectInRanges(common, kCommonRanges, "common " + std::to_string(p));
        const int delayLeft = common[25] * 16 + common[26];
        const int delayRight = common[27] * 16 + common[28];
        EXPECT_TRUE(delayLeft >= 1 && delayLeft <= 255 && delayRight >= 1 && delayRight <= 255);
        const std::string name(common.begin() + 2, common.begin() + 8);
        EXPECT_TRUE(std::ranges::all_of(name, [](char c) { return std::isprint(c) != 0; })) << name;
        EXPECT_NE(name, "      ");
        names.push_back(name);

        for (int t = 0; t < 18; ++t)
            ExpectInRanges(module.Data(Td7Module::TriggerBlock(p, t)), kTriggerRanges, "trigger");
        for (int n = 0; n < 59; ++n) {
            const auto entry = module.Data(Td7Module::NoteMapBlock(p, n));
            ExpectInRanges(entry, kNoteMapRanges, "note-map");
            EXPECT_TRUE(IsPitch(entry[2]) && IsPitch(entry[5]));
        }
    }
    std::ranges::sort(names);
    EXPECT_EQ(std::ranges::unique(names).begin(), names.end()) << "patch names repeat";
}

TEST(Td7Factory, NamesInstrumentsAfterTheirWaveforms) {
    Td7Module module;
    module.LoadFactory();
    for (int i = 0; i < 512; ++i) {
        SCOPED_TRACE(i);
        const auto d = module.Data(Td7Module::InstrumentBlock(i));
        const int waveform = i % 256;
        EXPECT_EQ(std::string(d.begin(), d.begin() + 5), WaveformShortName(waveform));
        EXPECT_EQ(d[5], WaveformType(waveform));
        EXPECT_EQ(d[6] * 16 + d[7], waveform);
        ExpectInRanges(d, kInstrumentRanges, "instrument");
        const int pitch = d[10] * 128 + d[11];  // ten bits, two's complement
        EXPECT_LE(pitch < 512 ? pitch : 1024 - pitch, 480);
        EXPECT_TRUE(d[18] <= 7 || d[18] >= 128 - 7);
    }
}

TEST(Td7Factory, KitsUseKickAndSnareSoundsOnTheirNotes) {
    Td7Module module;
    module.LoadFactory();
    auto sound1Type = [&](int patch, int note) {
        const auto entry = module.Data(Td7Module::NoteMapBlock(patch, note - 35));
        const int instrument = entry[3] * 128 + entry[4];
        return static_cast<char>(module.Data(Td7Module::InstrumentBlock(instrument))[5]);
    };
    for (int p = 0; p < 32; ++p) {
        EXPECT_EQ(sound1Type(p, 36), 'K');
        EXPECT_EQ(sound1Type(p, 38), 'S');
        EXPECT_EQ(sound1Type(p, 42), 'H');
        // The kick trigger plays the kick note.
        EXPECT_EQ(module.Data(Td7Module::TriggerBlock(p, 0))[0], 36);
    }
}

TEST(Waveforms, ShortNamesAreFiveCharactersAndMostlyDistinct) {
    std::vector<std::string> names;
    for (int w = 0; w < kWaveformCount; ++w) {
        names.push_back(WaveformShortName(w));
        EXPECT_EQ(names.back().size(), 5u);
        EXPECT_NE(names.back()[0], ' ');
    }
    EXPECT_EQ(std::string(WaveformName(0)), "Acoustic Maple Kick");
    EXPECT_EQ(std::string(WaveformName(255)), "Synth Bass 2");
    EXPECT_EQ(WaveformType(42), 'K');
    EXPECT_EQ(WaveformType(43), 'S');
    EXPECT_EQ(WaveformType(255), 'B');
    std::ranges::sort(names);
    const auto distinct = std::ranges::unique(names).begin() - names.begin();
    EXPECT_GT(distinct, 200);
    EXPECT_THROW(WaveformName(256), std::out_of_range);
}

class Td7MemoryFile : public testing::Test {
  protected:
    void TearDown() override { std::filesystem::remove(m_path); }

    Bytes ReadFile() const {
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteFile(const Bytes& bytes) const {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    std::filesystem::path m_path = std::filesystem::temp_directory_path() /
                                   ("td7memory-" + std::to_string(::getpid()) + ".syx");
};

// The file is what the module answers, block after block: system (34 bytes), each patch as
// the editor's patch files hold it (1575 bytes), then the instruments (16896 bytes).
TEST_F(Td7MemoryFile, HoldsTheModulesAnswersInPatchFileOrder) {
    Td7Module module;
    module.LoadRandom(9);
    module.SaveMemory(m_path);
    const Bytes file = ReadFile();
    ASSERT_EQ(file.size(), 34u + 32 * 1575 + 16896);

    auto answer = [&](const roland::Address& address, std::uint32_t size) {
        const Bytes request = roland::DataRequest(0x10, address, size);
        auto replies = module.Receive(request.data(), request.size());
        return replies.size() == 1 ? replies[0] : Bytes{};
    };
    Bytes expected = answer({0x03, 0, 0, 0}, 23);
    for (std::uint8_t p = 0; p < 32; ++p) {
        Bytes patch = answer({0, p, 0, 0}, 47);
        for (std::uint8_t t = 1; t <= 18; ++t) {
            const Bytes trigger = answer({0, p, t, 0}, 11);
            patch.insert(patch.end(), trigger.begin(), trigger.end());
        }
        for (std::uint8_t note = 35; note <= 93; ++note) {
            const Bytes entry = answer({0, p, note, 0}, 8);
            patch.insert(patch.end(), entry.begin(), entry.end());
        }
        ASSERT_EQ(patch.size(), 1575u);
        expected.insert(expected.end(), patch.begin(), patch.end());
    }
    for (int i = 0; i < 512; ++i) {
        const Bytes instrument =
            answer({0x01, std::uint8_t(i >> 7), std::uint8_t(i & 0x7F), 0}, 22);
        expected.insert(expected.end(), instrument.begin(), instrument.end());
    }
    EXPECT_EQ(file, expected);
}

TEST_F(Td7MemoryFile, LoadsWhatWasSavedAndRefusesDamagedFiles) {
    Td7Module saved;
    saved.LoadRandom(21);
    saved.SaveMemory(m_path);
    Td7Module loaded;
    loaded.LoadFactory();
    loaded.LoadMemory(m_path);
    EXPECT_EQ(loaded.Memory(), saved.Memory());

    const Bytes good = ReadFile();
    Bytes shortFile(good.begin(), good.end() - 1);
    Bytes badChecksum = good;
    badChecksum[34 + 58 + 15] ^= 0x01;  // a data byte of patch 1's first trigger
    Bytes misplaced = good;
    misplaced[34 + 6] = 0x05;  // patch 1's common block claims to be patch 6's,
    misplaced[34 + 56] = static_cast<std::uint8_t>((misplaced[34 + 56] - 5) & 0x7F);  // summed
    for (const Bytes& damaged : {shortFile, badChecksum, misplaced}) {
        WriteFile(damaged);
        Td7Module module;
        module.LoadFactory();
        const Bytes before = module.Memory();
        EXPECT_THROW(module.LoadMemory(m_path), std::runtime_error);
        EXPECT_EQ(module.Memory(), before);
    }
}

}  // namespace
}  // namespace simulator::test
