// td7sim as its own process on the private JACK server of the test run, driven through RtMidi
// like any other MIDI program would drive it.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "simulator/RolandSysex.h"
#include "tests/simulator/MessageSink.h"
#include "tests/support/ChildProcess.h"

namespace simulator::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using Td7SimProcess = testsupport::TChildProcess;

// An RtMidi client connected to td7sim's two ports.
class MidiClient {
  public:
    MidiClient(const std::string& simName, std::uint8_t deviceId) {
        const std::string me = "td7sim-test-" + std::to_string(::getpid());
        m_in = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, me + " In");
        m_in->ignoreTypes(false, true, true);
        m_in->setCallback([](double, std::vector<unsigned char>* message,
                             void* self) { static_cast<MidiClient*>(self)->Sort(*message); },
                          this);
        m_out = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, me + " Out");
        m_in->openPort(Find(*m_in, simName + " Out:"), me);
        m_out->openPort(Find(*m_out, simName + " In:"), me);
        WaitUntilAnswered(deviceId);
    }

    void Send(const Bytes& message) { m_out->sendMessage(message.data(), message.size()); }
    // Everything td7sim sent except the answers to the pings.
    MessageSink& Replies() { return m_replies; }

  private:
    // JACK takes a new connection into its graph at a period boundary: what is sent in the
    // same period can be lost. Ping with a request for instrument 1 until one is answered.
    void WaitUntilAnswered(std::uint8_t deviceId) {
        const Bytes ping = roland::DataRequest(deviceId, kPingAddress, 22);
        const auto deadline = Clock::now() + 10s;
        do {
            Send(ping);
            if (m_pings.WaitFor(1, 50ms)) return;
        } while (Clock::now() < deadline);
        throw std::runtime_error("td7sim does not answer");
    }

    void Sort(const std::vector<unsigned char>& message) {
        const bool isPing =
            message.size() > 9 &&
            std::equal(kPingAddress.begin(), kPingAddress.end(), message.begin() + 5);
        (isPing ? m_pings : m_replies).Push(message.data(), message.size());
    }

    static unsigned Find(RtMidi& midi, const std::string& prefix) {
        for (unsigned k = 0; k < midi.getPortCount(); ++k)
            if (midi.getPortName(k).starts_with(prefix)) return k;
        throw std::runtime_error("no port " + prefix);
    }

    static constexpr roland::Address kPingAddress{0x01, 0x00, 0x00, 0x00};
    MessageSink m_pings;
    MessageSink m_replies;
    std::unique_ptr<RtMidiIn> m_in;
    std::unique_ptr<RtMidiOut> m_out;
};

class Td7SimOverJack : public testing::Test {
  protected:
    std::unique_ptr<Td7SimProcess> Start(std::vector<std::string> extra) {
        std::vector<std::string> args{"--api", "jack",          "--client-name",
                                      m_name,  "--memory-file", m_file.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        auto process = std::make_unique<Td7SimProcess>(TD7SIM_PATH, args);
        EXPECT_TRUE(process->WaitForLine("ready")) << "td7sim did not open its ports";
        return process;
    }

    Bytes ReadMemoryFile() const {
        std::ifstream in(m_file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    void TearDown() override { std::filesystem::remove(m_file); }

    // Where a block's answer lies in the memory file: system 34 bytes, then per patch a common
    // record of 58, 18 triggers of 22 and 59 note-map records of 19, then instruments of 33.
    static std::size_t PatchAt(int p) { return 34 + std::size_t(p) * 1575; }
    static std::size_t TriggerAt(int p, int t) { return PatchAt(p) + 58 + std::size_t(t) * 22; }
    static std::size_t NoteAt(int p, int n) { return PatchAt(p) + 58 + 396 + std::size_t(n) * 19; }
    static std::size_t InstrumentAt(int i) { return 34 + 32 * 1575 + std::size_t(i) * 33; }

    // JACK client names are short (64 bytes at most); the process ID keeps them unique.
    const std::string m_name = "td7sim-" + std::to_string(::getpid());
    const std::filesystem::path m_file = std::filesystem::temp_directory_path() / (m_name + ".syx");
};

// Without a MIDI service td7sim says so in one line, as the editor and tamboro-cli do,
// without the libraries' own messages.
TEST(Td7SimWithoutService, SaysSoInOneLine) {
    const std::string command =
        "TAMBORO_MIDI_API=jack JACK_DEFAULT_SERVER=tamboro-no-such-server "
        "TAMBORO_MIDI_DEBUG= " TD7SIM_PATH " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string said;
    char chunk[256];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) said.append(chunk, n);
    const int status = ::pclose(pipe);
    EXPECT_EQ(said, "td7sim: No MIDI service: no JACK server is running\n");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}

TEST_F(Td7SimOverJack, AnswersRequestsWithWhatItsMemoryFileHolds) {
    auto sim = Start({"--content", "random", "--seed", "5"});
    MidiClient client(m_name, 0x10);
    struct Case {
        roland::Address address;
        std::uint32_t size;
        std::size_t fileOffset;
    };
    const Case cases[] = {
        {{0x03, 0, 0, 0}, 23, 0},
        {{0x00, 0x1F, 0x12, 0}, 11, TriggerAt(31, 17)},
        {{0x00, 0x1F, 0x5D, 0}, 8, NoteAt(31, 58)},
        {{0x01, 0x01, 0x00, 0}, 22, InstrumentAt(128)},
        {{0x01, 0x03, 0x7F, 0}, 22, InstrumentAt(511)},
    };
    for (const auto& c : cases) client.Send(roland::DataRequest(0x10, c.address, c.size));

    ASSERT_TRUE(client.Replies().WaitFor(std::size(cases), 10s));
    sim->Signal(SIGTERM);
    ASSERT_EQ(sim->ExitStatus(), 0);
    const Bytes file = ReadMemoryFile();
    ASSERT_EQ(file.size(), 67330u);
    const auto replies = client.Replies().Messages();
    ASSERT_EQ(replies.size(), std::size(cases));
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const auto at = file.begin() + std::ptrdiff_t(cases[k].fileOffset);
        EXPECT_EQ(replies[k], Bytes(at, at + std::ptrdiff_t(cases[k].size + 11))) << k;
    }
}

TEST_F(Td7SimOverJack, TakesDataSetsForItsDeviceIdAndWritesTheMemoryOnRequest) {
    auto sim = Start({"--device-id", "5"});  // 0x04
    MidiClient client(m_name, 0x04);
    const Bytes name{'J', 'a', 'c', 'k', 'e', 'd'};
    client.Send(roland::DataSet(0x04, {0x00, 0x03, 0x00, 0x02}, name));
    client.Send(roland::DataRequest(0x04, {0x00, 0x03, 0x00, 0x00}, 47));

    ASSERT_TRUE(client.Replies().WaitFor(1, 10s));
    const Bytes reply = client.Replies().Messages().front();
    ASSERT_EQ(reply.size(), 58u);
    EXPECT_EQ(reply[2], 0x04);
    EXPECT_EQ(Bytes(reply.begin() + 11, reply.begin() + 17), name);

    sim->Signal(SIGUSR1);
    ASSERT_TRUE(sim->WaitForLine("saved"));
    const Bytes file = ReadMemoryFile();
    ASSERT_EQ(file.size(), 67330u);
    EXPECT_EQ(Bytes(file.begin() + PatchAt(3), file.begin() + PatchAt(3) + 58), reply);
}

}  // namespace
}  // namespace simulator::test
