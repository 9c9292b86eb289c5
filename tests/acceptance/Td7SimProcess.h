#pragma once

// td7sim as a separate process on the test run's private JACK server: started with its
// arguments, asked for its memory file, stopped.

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace acceptance {

class TTd7SimProcess {
  public:
    using Clock = std::chrono::steady_clock;

    TTd7SimProcess(std::string client, std::filesystem::path memoryFile,
                   std::vector<std::string> extra)
        : m_client(std::move(client)), m_memoryFile(std::move(memoryFile)) {
        std::vector<std::string> args{TD7SIM_PATH,          "--api",  "jack",
                                      "--client-name",      m_client, "--memory-file",
                                      m_memoryFile.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        // Everything the child needs is made before the fork: after it, only exec.
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
        m_pid = ::fork();
        if (m_pid == 0) {
            // A test that dies must not leave the module running (and holding its output).
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execv(TD7SIM_PATH, argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        m_stdout = fds[0];
        m_ready = m_pid > 0 && WaitForLine("ready", std::chrono::seconds(20));
    }

    ~TTd7SimProcess() {
        if (m_pid > 0 && !m_exited && Stop() < 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_stdout >= 0) ::close(m_stdout);
    }

    TTd7SimProcess(const TTd7SimProcess&) = delete;
    TTd7SimProcess& operator=(const TTd7SimProcess&) = delete;

    bool Ready() const { return m_ready; }
    // Its ports as the device window lists them.
    std::string OutputName() const { return m_client + " Out:TD-7 Simulator"; }
    std::string InputName() const { return m_client + " In:TD-7 Simulator"; }

    // Its memory as it holds it now: one data-set message per block, system first.
    std::vector<std::uint8_t> Memory() {
        ::kill(m_pid, SIGUSR1);
        if (!WaitForLine("saved", std::chrono::seconds(10)))
            throw std::runtime_error("td7sim did not write its memory");
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

    // Ends it; its exit status, or -1 when it did not end within 10 s.
    int Stop() {
        if (m_exited) return m_status;
        ::kill(m_pid, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Read(deadline)) {
        }
        if (Clock::now() >= deadline) return -1;
        int status = 0;
        if (::waitpid(m_pid, &status, 0) != m_pid) return -1;
        m_exited = true;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return m_status;
    }

  private:
    bool WaitForLine(const std::string& line, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            for (auto end = m_pending.find('\n'); end != std::string::npos;
                 end = m_pending.find('\n')) {
                const std::string got = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                if (got == line) return true;
            }
            if (!Read(deadline)) return false;
        }
    }

    // False at the end of its output or at the deadline.
    bool Read(Clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd fd{m_stdout, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[256];
        const ssize_t n = ::read(m_stdout, buffer, sizeof buffer);
        if (n <= 0) return false;
        m_pending.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    std::string m_client;
    std::filesystem::path m_memoryFile;
    pid_t m_pid = -1;
    int m_stdout = -1;
    bool m_ready = false;
    bool m_exited = false;
    int m_status = -1;
    std::string m_pending;
};

}  // namespace acceptance
