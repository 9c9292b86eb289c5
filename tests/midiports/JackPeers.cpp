#include "JackPeers.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>

namespace porttest {

std::string UniqueName(const std::string& stem) {
    static std::atomic<int> serial{0};
    return stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
}

Td7Sim::Td7Sim(const std::string& memoryFile) : m_client(UniqueName("sim")) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        const std::string client = m_client;
        ::execl(TD7SIM_PATH, "td7sim", "--api", "jack", "--client-name", client.c_str(),
                "--memory-file", memoryFile.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    m_stdout = fds[0];
    m_ready = m_pid > 0 && WaitForLine("ready", std::chrono::seconds(20));
}

Td7Sim::~Td7Sim() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    if (m_stdout >= 0) ::close(m_stdout);
}

bool Td7Sim::SaveMemory() {
    ::kill(m_pid, SIGUSR1);
    return WaitForLine("saved", std::chrono::seconds(10));
}

bool Td7Sim::WaitForLine(const std::string& line, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            const std::string got = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (got == line) return true;
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd fd{m_stdout, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[256];
        const ssize_t n = ::read(m_stdout, buffer, sizeof buffer);
        if (n <= 0) return false;
        m_pending.append(buffer, static_cast<std::size_t>(n));
    }
}

JackPeer::JackPeer() : m_client(UniqueName("peer")) {
    m_in = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, m_client + " In");
    m_out = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, m_client + " Out");
    m_in->ignoreTypes(false, true, true);
    m_in->setCallback(
        [](double, std::vector<unsigned char>* message, void* self) {
            auto& peer = *static_cast<JackPeer*>(self);
            std::lock_guard lock(peer.m_mutex);
            peer.m_received.push_back(*message);
        },
        this);
    m_in->openVirtualPort("peer");
    m_out->openVirtualPort("peer");
}

JackPeer::~JackPeer() {
    m_in->cancelCallback();
    m_in.reset();
    m_out.reset();
}

void JackPeer::Send(const std::vector<std::uint8_t>& message) {
    m_out->sendMessage(message.data(), message.size());
}

std::vector<std::vector<std::uint8_t>> JackPeer::Received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

void JackPeer::Clear() {
    std::lock_guard lock(m_mutex);
    m_received.clear();
}

}  // namespace porttest
