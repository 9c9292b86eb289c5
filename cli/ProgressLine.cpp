#include "cli/ProgressLine.h"

#include <ostream>

namespace cli {

TProgressLine::TProgressLine(std::ostream& out, std::string format, int total)
    : m_out(out), m_format(std::move(format)), m_total(total) {
    Draw();
}

TProgressLine::~TProgressLine() {
    Finish();
}

void TProgressLine::Set(int count) {
    m_count = count;
    const int percent = m_total > 0 ? static_cast<int>(100LL * m_count / m_total) : 100;
    if (percent != m_shownPercent) Draw();
}

void TProgressLine::Finish() {
    if (!m_open) return;
    if (m_shownCount != m_count) Draw();
    m_out << '\n' << std::flush;
    m_open = false;
}

void TProgressLine::Draw() {
    std::string line = m_format;
    const std::string figures = std::to_string(m_count) + "/" + std::to_string(m_total);
    if (const auto at = line.find("%n"); at != std::string::npos) line.replace(at, 2, figures);
    m_out << '\r' << line << std::flush;
    m_open = true;
    m_shownCount = m_count;
    m_shownPercent = m_total > 0 ? static_cast<int>(100LL * m_count / m_total) : 100;
}

}  // namespace cli
