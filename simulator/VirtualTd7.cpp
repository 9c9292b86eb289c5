#include "simulator/VirtualTd7.h"

#include <algorithm>
#include <array>

#include "simulator/Drummer.h"
#include "simulator/RolandSysex.h"

namespace simulator {

VirtualTd7::VirtualTd7(ReplyFn onReply, std::uint8_t deviceId)
    : m_onReply(std::move(onReply)),
      m_module(deviceId),
      m_start(Clock::now()),
      m_thread([this] { Run(); }) {}

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
        const auto now = Clock::now();
        Incoming message{std::vector<std::uint8_t>(data, data + len), now, m_now ? m_now() : now};
        if (m_wireTiming) {
            // Bytes queue behind those still on the cable.
            const auto onWire = static_cast<int>(len) * kByteTime;
            m_inputWireFree = std::max(m_inputWireFree, message.arrives) + onWire;
            message.arrives = m_inputWireFree;
            m_stampWireFree = std::max(m_stampWireFree, message.stamp) + onWire;
            message.stamp = m_stampWireFree;
        }
        if (TakeIntoQueue(message)) {
            m_queue.push_back(std::move(message));
            m_wake.notify_one();
            return;
        }
        ++m_inputDropped;
    }
    std::lock_guard moduleLock(m_moduleMutex);
    m_module.CountLost(data, len);
}

VirtualTd7::Clock::duration VirtualTd7::HandlingTime(
    const std::vector<std::uint8_t>& message) const {
    using namespace roland;
    if (!m_wireTiming || message.size() != kRequestSize || message[0] != kSysexStart ||
        message[1] != kManufacturer || message[3] != kModelTd7 || message[4] != kDataRequest)
        return {};
    const std::size_t size = std::size_t{message[9]} << 21 | std::size_t{message[10]} << 14 |
                             std::size_t{message[11]} << 7 | message[12];
    return static_cast<int>(size + kFrameOverhead) * kByteTime;
}

bool VirtualTd7::TakeIntoQueue(const Incoming& message) {
    if (m_inputQueue <= 0) return true;
    // Those the module has begun to handle by the time this one arrives no longer wait.
    while (!m_handledAt.empty() && m_handledAt.front() <= message.stamp) m_handledAt.pop_front();
    if (static_cast<int>(m_handledAt.size()) >= m_inputQueue) return false;
    const auto start = std::max(message.stamp, m_handlerFree);
    m_handlerFree = start + HandlingTime(message.bytes);
    m_handledAt.push_back(start);
    return true;
}

int VirtualTd7::InputDropped() const {
    std::lock_guard lock(m_queueMutex);
    return m_inputDropped;
}

void VirtualTd7::Configure(const Config& config) {
    {
        std::lock_guard moduleLock(m_moduleMutex);
        m_module.SetStoreTiming(config.store);
    }
    SetWireTiming(config.wireTiming);
    {
        std::lock_guard lock(m_queueMutex);
        m_now = config.now;
        m_start = m_now ? m_now() : Clock::now();
        m_inputQueue = config.inputQueue;
        m_handledAt.clear();
        m_handlerFree = m_stampWireFree = Clock::time_point{};
    }
    SetHits(config.hitsPerSecond);
}

void VirtualTd7::SetWireTiming(bool on) {
    std::lock_guard lock(m_queueMutex);
    m_wireTiming = on;
    m_inputWireFree = m_outputWireFree = m_stampWireFree = Clock::time_point{};
}

void VirtualTd7::SetHits(int perSecond) {
    {
        std::lock_guard lock(m_queueMutex);
        m_hitPeriod =
            perSecond > 0
                ? std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / perSecond
                : Clock::duration{};
        m_nextHit = Clock::now() + m_hitPeriod;
        m_hitsChanged = true;
    }
    m_wake.notify_one();
}

bool VirtualTd7::SendDueHits(std::unique_lock<std::mutex>& lock) {
    while (!m_stop && m_hitPeriod != Clock::duration{} && Clock::now() >= m_nextHit) {
        const DrumHit hit = DrummerHit(m_hitCount++);
        // A module held up for long plays on from now instead of catching up in a burst.
        m_nextHit = std::max(m_nextHit + m_hitPeriod, Clock::now() - 4 * m_hitPeriod);
        lock.unlock();
        std::array<std::uint8_t, 3> note{};
        {
            std::lock_guard moduleLock(m_moduleMutex);
            note = m_module.PadHit(hit.trigger, hit.velocity);
        }
        if (m_onReply) m_onReply(note.data(), note.size());
        lock.lock();
    }
    return !m_stop;
}

bool VirtualTd7::WaitUntil(std::unique_lock<std::mutex>& lock, Clock::time_point deadline) {
    // A sleeping thread wakes some 100 us late on a busy or virtual machine, twice a round
    // trip, and the cable would seem that much slower to whoever talks to it. So sleep to
    // just before the deadline and yield the rest of the way.
    for (;;) {
        if (!SendDueHits(lock)) return false;
        if (Clock::now() >= deadline - kWakeMargin) break;
        Clock::time_point wake = deadline - kWakeMargin;
        if (m_hitPeriod != Clock::duration{}) wake = std::min(wake, m_nextHit);
        if (m_wake.wait_until(lock, wake, [this] { return m_stop; })) return false;
    }
    while (!m_stop && Clock::now() < deadline) {
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
    return !m_stop;
}

void VirtualTd7::Run() {
    std::unique_lock lock(m_queueMutex);
    const auto woken = [this] { return m_stop || !m_queue.empty() || m_hitsChanged; };
    for (;;) {
        if (m_hitPeriod != Clock::duration{})
            m_wake.wait_until(lock, m_nextHit, woken);
        else
            m_wake.wait(lock, woken);
        m_hitsChanged = false;
        if (!SendDueHits(lock)) return;
        if (m_queue.empty()) continue;
        if (!WaitUntil(lock, m_queue.front().arrives)) return;
        Incoming message = std::move(m_queue.front());
        m_queue.pop_front();
        const auto at =
            std::chrono::duration_cast<std::chrono::microseconds>(message.stamp - m_start);

        lock.unlock();
        std::vector<std::vector<std::uint8_t>> replies;
        {
            std::lock_guard moduleLock(m_moduleMutex);
            replies = m_module.Receive(message.bytes.data(), message.bytes.size(), at);
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
