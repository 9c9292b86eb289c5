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

void VirtualTd7::Apply(const SimOptions& options) {
    {
        std::lock_guard lock(m_moduleMutex);
        if (options.content == SimOptions::Content::Random) {
            m_module.LoadRandom(options.seed);
        } else {
            m_module.LoadFactory();
        }
        m_module.SetDropEvery(options.dropEvery);
    }
    Config config;
    config.wireTiming = options.wireTiming;
    config.hitsPerSecond = options.hitsPerSecond;
    config.store = options.store;
    config.inputQueue = options.inputQueue;
    config.triggers = options.triggerFaults;
    config.seed = options.seed;
    Configure(config);
}

void VirtualTd7::Configure(const Config& config) {
    {
        std::lock_guard moduleLock(m_moduleMutex);
        m_module.SetStoreTiming(config.store);
        m_triggerRandom.seed(config.seed);
    }
    SetWireTiming(config.wireTiming);
    {
        std::lock_guard lock(m_queueMutex);
        m_now = config.now;
        m_start = m_now ? m_now() : Clock::now();
        m_inputQueue = config.inputQueue;
        m_handledAt.clear();
        m_handlerFree = m_stampWireFree = Clock::time_point{};
        m_triggerFaults = config.triggers;
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
        m_dueNotes.clear();
        m_hitsChanged = true;
    }
    m_wake.notify_one();
}

std::vector<VirtualTd7::DueNote> VirtualTd7::NotesOfHit(const DrumHit& hit,
                                                        const TriggerFaults& faults,
                                                        Clock::time_point at) {
    if (!faults.Any()) return {{at, m_module.PadHit(hit.trigger, hit.velocity)}};
    std::array<TriggerSettings, Td7Module::kTriggerCount> patch;
    for (int t = 0; t < Td7Module::kTriggerCount; ++t)
        patch[std::size_t(t)] = TriggerSettings::FromBlock(
            m_module.Data(Td7Module::TriggerBlock(m_module.CurrentPatch(), t)));
    std::vector<DueNote> notes;
    for (const TriggerNote& note : TriggerNotes(hit, patch, faults, m_triggerRandom))
        notes.push_back({at + note.offset, m_module.PadHit(note.trigger, note.velocity)});
    return notes;
}

VirtualTd7::Clock::time_point VirtualTd7::NextNoteDue() const {
    Clock::time_point next = Clock::time_point::max();
    if (m_hitPeriod != Clock::duration{}) next = m_nextHit;
    if (!m_dueNotes.empty()) next = std::min(next, m_dueNotes.front().due);
    return next;
}

bool VirtualTd7::SendDueHits(std::unique_lock<std::mutex>& lock) {
    while (!m_stop) {
        const auto now = Clock::now();
        if (!m_dueNotes.empty() && m_dueNotes.front().due <= now) {
            const auto note = m_dueNotes.front().bytes;
            m_dueNotes.erase(m_dueNotes.begin());
            lock.unlock();
            if (m_onReply) m_onReply(note.data(), note.size());
            lock.lock();
            continue;
        }
        if (m_hitPeriod == Clock::duration{} || now < m_nextHit) break;
        const DrumHit hit = DrummerHit(m_hitCount++);
        // A module held up for long plays on from now instead of catching up in a burst.
        m_nextHit = std::max(m_nextHit + m_hitPeriod, now - 4 * m_hitPeriod);
        const TriggerFaults faults = m_triggerFaults;
        lock.unlock();
        std::vector<DueNote> notes;
        {
            std::lock_guard moduleLock(m_moduleMutex);
            notes = NotesOfHit(hit, faults, now);
        }
        lock.lock();
        for (const DueNote& note : notes)
            m_dueNotes.insert(std::ranges::upper_bound(m_dueNotes, note.due, {}, &DueNote::due),
                              note);
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
        const Clock::time_point wake = std::min(deadline - kWakeMargin, NextNoteDue());
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
        if (const auto next = NextNoteDue(); next != Clock::time_point::max())
            m_wake.wait_until(lock, next, woken);
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
