#pragma once

// td7sim as a separate process on the test run's private JACK server.

#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace clitest {

class TTd7SimProcess {
  public:
    // Starts td7sim with `--api jack --client-name <client>` and the extra arguments; Ready
    // tells whether it opened its ports.
    TTd7SimProcess(const std::string& client, std::vector<std::string> extra)
        : m_client(client), m_process(TD7SIM_PATH, Arguments(client, std::move(extra))) {
        m_ready = m_process.Started() && m_process.WaitForLine("ready", std::chrono::seconds(20));
    }

    bool Ready() const { return m_ready; }
    // Its ports as the MIDI service lists them.
    std::string OutputName() const { return m_client + " Out:TD-7 Simulator"; }
    std::string InputName() const { return m_client + " In:TD-7 Simulator"; }

    // Ends it (it writes its memory file on the way out); its exit status, or -1 when it
    // did not end within 10 s.
    int Stop() {
        m_process.Signal(SIGTERM);
        return m_process.ExitStatus();
    }

  private:
    static std::vector<std::string> Arguments(const std::string& client,
                                              std::vector<std::string> extra) {
        std::vector<std::string> args{"--api", "jack", "--client-name", client};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    std::string m_client;
    testsupport::TChildProcess m_process;
    bool m_ready = false;
};

}  // namespace clitest
