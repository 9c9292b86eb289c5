#pragma once

// A program run as a child of the test with its standard output on a pipe, so that the test
// can wait for what it says, signal it and collect its exit status. A child still running
// when this goes is ended (SIGTERM, then SIGKILL after 10 s).

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

class TChildProcess {
  public:
    using Clock = std::chrono::steady_clock;

    TChildProcess(const std::string& program, std::vector<std::string> args) {
        args.insert(args.begin(), program);
        // Everything the child needs is made before the fork: after it, only exec.
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
        m_pid = ::fork();
        if (m_pid == 0) {
            // A test that dies must not leave its child running (and holding its ports).
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        m_stdout = fds[0];
    }

    ~TChildProcess() {
        if (m_pid > 0 && !m_exited) {
            ::kill(m_pid, SIGTERM);
            if (ExitStatus() < 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
            }
        }
        if (m_stdout >= 0) ::close(m_stdout);
    }

    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    bool Exited() const { return m_exited; }
    // Nothing once it has been reaped: its number may belong to another process by then.
    void Signal(int signal) const {
        if (m_pid > 0 && !m_exited) ::kill(m_pid, signal);
    }

    // Reads its output until a line equal to text (true), or until the deadline or the end
    // of its output.
    bool WaitForLine(const std::string& text,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            for (auto end = m_pending.find('\n'); end != std::string::npos;
                 end = m_pending.find('\n')) {
                const std::string line = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                if (line == text) return true;
            }
            if (!Read(deadline)) return false;
        }
    }

    // The exit status once its output closes (128 + the signal for a signalled end), or -1
    // at the deadline.
    int ExitStatus(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        if (m_exited) return m_status;
        const auto deadline = Clock::now() + timeout;
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

    pid_t m_pid = -1;
    int m_stdout = -1;
    bool m_exited = false;
    int m_status = -1;
    std::string m_pending;
};

}  // namespace testsupport
