#pragma once

// The pause after each record of a fast transmission. It starts at the record's own time on
// the wire plus a small gap and learns from what the module kept: a read-back that finds
// records dropped makes the gap half as long again, every clean one takes a little off, so the pace
// settles just above what the module needs to store a record. Never below the wire time, never
// above the normal pace.

#include <chrono>
#include <optional>
#include <string>

namespace td7 {

class TPaceController {
  public:
    using Duration = std::chrono::microseconds;

    // A 31,250-baud cable carries 10 bits a byte.
    static constexpr Duration kByteTime{320};
    static constexpr Duration kStartGap{1000};
    static constexpr Duration kNormalPace{100000};
    // Taken off the gap after a check that found nothing dropped.
    static constexpr Duration kShrinkStep{500};
    // Added when growing, so that a gap near zero grows at all.
    static constexpr Duration kGrowStep{2000};

    // `gap`: what was learned for the device last time, or kStartGap for one never tried.
    explicit TPaceController(Duration gap = kStartGap);

    static Duration WireTime(int bytes) { return kByteTime * bytes; }
    // The pause after a record of `bytes` bytes (its wire time included).
    Duration Pause(int bytes) const;
    // A read-back of `checked` records found `dropped` of them not taken.
    void Checked(int checked, int dropped);

    Duration Gap() const { return m_gap; }
    // What the next transfer to the device should start with: the gap last grown to (the
    // module kept up with it), or the gap now when nothing was ever dropped. Where the
    // shrinking has since led is a gap the module may well drop at.
    Duration Learned() const { return m_grown ? *m_grown : m_gap; }
    // The pace in whole milliseconds a record of `bytes` bytes, as the progress shows it.
    int PaceMs(int bytes) const;

  private:
    Duration m_gap;
    std::optional<Duration> m_grown;
};

// Where the pace learned for each output device is kept: [FastTransfers] of tamboro.ini,
// one key per device name holding the gap in microseconds. One device's pace is never
// taken for another: an unknown name starts at kStartGap.
TPaceController::Duration LoadLearnedGap(const std::string& iniFile, const std::string& device);
// Raises std::runtime_error when the file cannot be written.
void SaveLearnedGap(const std::string& iniFile, const std::string& device,
                    TPaceController::Duration gap);

}  // namespace td7
