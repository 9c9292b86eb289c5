#pragma once

// td7sim as a separate process on the test run's private JACK server: started with its
// arguments, asked for its memory file, stopped. The including target defines TD7SIM_PATH.

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace testsupport {

class TTd7SimProcess {
  public:
    using Clock = std::chrono::steady_clock;

    // `--api jack --client-name <client>`, `--memory-file` when one is given, then `extra`.
    explicit TTd7SimProcess(std::string client, std::vector<std::string> extra = {},
                            std::filesystem::path memoryFile = {})
        : m_client(std::move(client)),
          m_memoryFile(std::move(memoryFile)),
          m_process(TD7SIM_PATH, Arguments(m_client, m_memoryFile, std::move(extra))) {
        m_ready = m_process.Started() && m_process.WaitForLine("ready", std::chrono::seconds(20));
    }

    bool Ready() const { return m_ready; }
    // Its ports as the MIDI service lists them.
    std::string OutputName() const { return m_client + " Out:TD-7 Simulator"; }
    std::string InputName() const { return m_client + " In:TD-7 Simulator"; }

    // Asks it to write its memory file; true once it says it has.
    bool SaveMemory() {
        m_process.Signal(SIGUSR1);
        return m_process.WaitForLine("saved", std::chrono::seconds(10));
    }

    // Its memory as it holds it now: one data-set message per block, system first.
    std::vector<std::uint8_t> Memory() {
        if (!SaveMemory()) throw std::runtime_error("td7sim did not write its memory");
        std::ifstream in(m_memoryFile, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Its memory once it equals `expected` (what was sent may still be on its way), or as it
    // stands when `timeout` has passed.
    std::vector<std::uint8_t> MemoryOnceEqual(const std::vector<std::uint8_t>& expected,
                                              std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        auto memory = Memory();
        while (memory != expected && Clock::now() < deadline) memory = Memory();
        return memory;
    }

    // Ends it (it writes its memory file on the way out); its exit status, or -1 when it did
    // not end within 10 s.
    int Stop() {
        m_process.Signal(SIGTERM);
        return m_process.ExitStatus(std::chrono::seconds(10));
    }

  private:
    static std::vector<std::string> Arguments(const std::string& client,
                                              const std::filesystem::path& memoryFile,
                                              std::vector<std::string> extra) {
        std::vector<std::string> args{"--api", "jack", "--client-name", client};
        if (!memoryFile.empty()) args.insert(args.end(), {"--memory-file", memoryFile.string()});
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    std::string m_client;
    std::filesystem::path m_memoryFile;
    TChildProcess m_process;
    bool m_ready = false;
};

}  // namespace testsupport
