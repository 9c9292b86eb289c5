#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace simulator::test {

using Bytes = std::vector<std::uint8_t>;

// Collects messages arriving on another thread; tests wait on it with a deadline.
class MessageSink {
  public:
    void Push(const std::uint8_t* data, std::size_t len) {
        {
            std::lock_guard lock(m_mutex);
            m_messages.emplace_back(data, data + len);
            m_threads.push_back(std::this_thread::get_id());
        }
        m_arrived.notify_all();
    }

    // True when at least count messages are there before the timeout.
    bool WaitFor(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] { return m_messages.size() >= count; });
    }

    std::vector<Bytes> Messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

    std::vector<std::thread::id> Threads() const {
        std::lock_guard lock(m_mutex);
        return m_threads;
    }

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Bytes> m_messages;
    std::vector<std::thread::id> m_threads;
};

}  // namespace simulator::test
