#pragma once

// What the fuzz targets share: the input read as a run of fields, a check that stops the
// run so that libFuzzer keeps the input, and the record layout of the TD-7 files written
// out independently of the loaders, so that the targets can judge what a loader did.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#define FUZZ_CHECK(condition)                                                             \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, \
                         __LINE__);                                                       \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

namespace fuzz {

// Fields taken from the front of the input; a used-up input gives zeros and empty spans.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : m_rest(data, size) {}

    bool Empty() const { return m_rest.empty(); }
    std::uint8_t Byte() {
        if (m_rest.empty()) return 0;
        const std::uint8_t b = m_rest.front();
        m_rest = m_rest.subspan(1);
        return b;
    }
    std::uint32_t Word() {
        std::uint32_t w = 0;
        for (int k = 0; k < 4; ++k) w |= std::uint32_t{Byte()} << (8 * k);
        return w;
    }
    std::span<const std::uint8_t> Take(std::size_t n) {
        if (n > m_rest.size()) n = m_rest.size();
        const auto taken = m_rest.first(n);
        m_rest = m_rest.subspan(n);
        return taken;
    }
    std::span<const std::uint8_t> Rest() { return Take(m_rest.size()); }

  private:
    std::span<const std::uint8_t> m_rest;
};

// Record sizes of the TD-7 blocks and how a patch is made of them.
inline constexpr int kSystemBytes = 34;
inline constexpr int kCommonBytes = 58;
inline constexpr int kTriggerBytes = 22;
inline constexpr int kNotemapBytes = 19;
inline constexpr int kInstrumentBytes = 33;

inline std::vector<int> PatchRecordSizes() {
    std::vector<int> sizes{kCommonBytes};
    sizes.insert(sizes.end(), 18, kTriggerBytes);
    sizes.insert(sizes.end(), 59, kNotemapBytes);
    return sizes;
}

inline std::vector<int> InstrumentRecordSizes() {
    return std::vector<int>(512, kInstrumentBytes);
}

}  // namespace fuzz
