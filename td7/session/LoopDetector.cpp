#include "td7/session/LoopDetector.h"

#include <utility>

namespace td7 {

TLoopDetector::TLoopDetector(std::function<Clock::time_point()> now) : m_now(std::move(now)) {}

TLoopDetector::Clock::time_point TLoopDetector::Now() const {
    return m_now ? m_now() : Clock::now();
}

std::uint64_t TLoopDetector::Hash(const std::uint8_t* data, std::size_t size) {
    // FNV-1a over the bytes and the length: cheap, and two different messages of the
    // editor that collide would only cost one needless warning.
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 0x100000001B3ULL;
    }
    return hash ^ size;
}

void TLoopDetector::Sent(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size == 0) return;
    m_ring[m_next] = {Hash(data, size), Now(), true};
    m_next = (m_next + 1) % kRingSize;
}

bool TLoopDetector::Received(const std::uint8_t* data, std::size_t size) {
    if (m_loopSeen || data == nullptr || size == 0) return false;
    const std::uint64_t hash = Hash(data, size);
    const Clock::time_point now = Now();
    for (const Entry& entry : m_ring) {
        if (!entry.Used || entry.Hash != hash) continue;
        if (now - entry.Time <= kWindow) {
            m_loopSeen = true;
            return true;
        }
    }
    return false;
}

void TLoopDetector::Reset() {
    m_ring = {};
    m_next = 0;
    m_loopSeen = false;
}

}  // namespace td7
