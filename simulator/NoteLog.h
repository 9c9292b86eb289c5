#pragma once

// td7sim --log-notes: every note the module receives, one line a note, so that tests, the
// timing benchmark and a newcomer can see what arrived and when.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace simulator {

// "seconds channel note velocity" for a note-on or note-off (a note-off has velocity 0),
// seconds with six decimals; empty for any other message.
std::string NoteLogLine(double seconds, const std::uint8_t* data, std::size_t len);

class NoteLog {
  public:
    using Clock = std::chrono::steady_clock;

    // Creates or empties the file, and counts seconds from now; std::runtime_error "cannot write
    // FILE" when it cannot.
    explicit NoteLog(const std::string& path);
    ~NoteLog();
    NoteLog(const NoteLog&) = delete;
    NoteLog& operator=(const NoteLog&) = delete;

    // Called on the MIDI service's thread with each message, when it arrived.
    void Write(const std::uint8_t* data, std::size_t len, Clock::time_point arrived);

  private:
    std::FILE* m_file;
    std::mutex m_mutex;
    Clock::time_point m_start = Clock::now();
};

}  // namespace simulator
