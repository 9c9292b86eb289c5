#include "JackPeers.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>

namespace porttest {

std::string UniqueName(const std::string& stem) {
    static std::atomic<int> serial{0};
    return stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
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
