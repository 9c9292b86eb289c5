#include "simulator/VirtualTd7.h"

#include <algorithm>

namespace simulator {

VirtualTd7::VirtualTd7(ReplyFn onReply, std::uint8_t deviceId)
    : m_onReply(std::move(onReply)), m_module(deviceId), m_thread([this] { Run(); }) {}

VirtualTd7::~VirtualTd7() {
    {
        std::lock_guard lock(m_queueMutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void VirtualTd7::Send(const std::uint8_t* data, std::size_t len) {
    if (data == nullptr || len == 0) return;
    {
        std::lock_guard lock(m_queueMutex);
        Incoming message{std::vector<std::uint8_t>(data, data + len), Clock::now()};
        if (m_wireTiming) {
            // Bytes queue behind those still on the cable.
            m_inputWireFree =
                std::max(m_inputWireFree, message.arrives) + static_cast<int>(len) * kByteTime;
            message.arrives = m_inputWireFree;
        }
        m_queue.push_back(std::move(message));
    }
    m_wake.notify_one();
}

void VirtualTd7::SetWireTiming(bool on) {
    std::lock_guard lock(m_queueMutex);
    m_wireTiming = on;
    m_inputWireFree = m_outputWireFree = Clock::time_point{};
}

bool VirtualTd7::WaitUntil(std::unique_lock<std::mutex>& lock, Clock::time_point deadline) {
    // A sleeping thread wakes some 100 us late on a busy or virtual machine, twice a round
    // trip, and the cable would seem that much slower to whoever talks to it. So sleep to
    // just before the deadline and yield the rest of the way.
    if (m_wake.wait_until(lock, deadline - kWakeMargin, [this] { return m_stop; })) return false;
    while (!m_stop && Clock::now() < deadline) {
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
    return !m_stop;
}

void VirtualTd7::Run() {
    std::unique_lock lock(m_queueMutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop) return;
        if (!WaitUntil(lock, m_queue.front().arrives)) return;
        Incoming message = std::move(m_queue.front());
        m_queue.pop_front();

        lock.unlock();
        std::vector<std::vector<std::uint8_t>> replies;
        {
            std::lock_guard moduleLock(m_moduleMutex);
            replies = m_module.Receive(message.bytes.data(), message.bytes.size());
        }
        lock.lock();

        for (const auto& reply : replies) {
            if (m_wireTiming) {
                m_outputWireFree = std::max(m_outputWireFree, Clock::now()) +
                                   static_cast<int>(reply.size()) * kByteTime;
                if (!WaitUntil(lock, m_outputWireFree)) return;
            }
            lock.unlock();
            if (m_onReply) m_onReply(reply.data(), reply.size());
            lock.lock();
            if (m_stop) return;
        }
    }
}

}  // namespace simulator
