#include "simulator/NoteLog.h"

#include <stdexcept>

namespace simulator {

std::string NoteLogLine(double seconds, const std::uint8_t* data, std::size_t len) {
    if (len != 3) return {};
    const int kind = data[0] & 0xF0;
    if (kind != 0x90 && kind != 0x80) return {};
    const int velocity = kind == 0x80 ? 0 : data[2];
    char line[64];
    std::snprintf(line, sizeof line, "%.6f %d %d %d\n", seconds, (data[0] & 0x0F) + 1, data[1],
                  velocity);
    return line;
}

NoteLog::NoteLog(const std::string& path) : m_file(std::fopen(path.c_str(), "w")) {
    if (m_file == nullptr) throw std::runtime_error("cannot write " + path);
}

NoteLog::~NoteLog() {
    std::fclose(m_file);
}

void NoteLog::Write(const std::uint8_t* data, std::size_t len, Clock::time_point arrived) {
    const std::string line =
        NoteLogLine(std::chrono::duration<double>(arrived - m_start).count(), data, len);
    if (line.empty()) return;
    std::lock_guard lock(m_mutex);
    std::fputs(line.c_str(), m_file);
    // A reader follows the file while the module runs.
    std::fflush(m_file);
}

}  // namespace simulator
